#pragma once
// The window's controls, found by their object names: the tests reach the window through its object tree,
// not through the form class that Qt generates for it.

#include "console/shape.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

struct WindowControls {
    explicit WindowControls(const QWidget& window) : window_(window) {}

private:
    const QWidget& window_;
    template <class Control> Control* find(const char* name) const {
        Control* control = window_.findChild<Control*>(QString::fromLatin1(name));
        if (!control)
            qFatal("the window has no %s", name);
        return control;
    }

public:
#define CONTROL(Type, name) Type* const name = find<Type>(#name)
    CONTROL(QLabel, pnMsg);
    CONTROL(console::TShape, shComm);
    CONTROL(QLabel, pnSerial);
    CONTROL(QLabel, pnVersion);
    CONTROL(QPushButton, btnScan);
    CONTROL(QLabel, lblID);
    CONTROL(QLabel, pnID);
    CONTROL(QScrollBar, sbID);
    CONTROL(QLabel, pnKey);
    CONTROL(QScrollBar, sbKey);
    CONTROL(QPushButton, btnID);
    CONTROL(QPushButton, btnKey);
    CONTROL(QLabel, lblBaudRate);
    CONTROL(QComboBox, cmbBaudRate);
    CONTROL(QCheckBox, chkLock);
    CONTROL(QPushButton, btnBaudRate);
    CONTROL(QComboBox, cmbMode);
    CONTROL(QComboBox, cmbWiegand);
    CONTROL(QComboBox, cmbRS485);
    CONTROL(QPushButton, btnMode);
    CONTROL(QComboBox, cmbParity);
    CONTROL(QPushButton, btnParity);
    CONTROL(console::TShape, shCard);
    CONTROL(QLabel, pnCardID);
    CONTROL(QPushButton, btnReadCard);
    CONTROL(QGroupBox, gbDefault);
    CONTROL(QTabWidget, pcDefault);
    CONTROL(QWidget, tsDefault);
    CONTROL(QToolButton, btnFactoryW26);
    CONTROL(QPushButton, btnEng);
    CONTROL(QPushButton, btnGB);
    CONTROL(QPushButton, btnBIG5);
    CONTROL(QPushButton, btnExit);
    CONTROL(QLabel, pnVELNO);
#undef CONTROL
};
