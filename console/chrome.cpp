#include "chrome.h"

#include "console/fonts.h"
#include "console/shape.h"
#include "localisation/language.h"
#include "platform/settings_store.h"
#include "platform/system.h"
#include "settings/settings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>

// The pictures live in a static library: without this the linker drops them. Outside the namespace, since the
// macro declares the resource's initialiser where it is used.
static void InitResources() {
    Q_INIT_RESOURCE(resources);
}

namespace console {

QString Tr(localisation::TextId id) {
    return QString::fromUtf8(localisation::Text(id));
}

void ApplyChrome(QWidget& window, const Chrome& chrome, platform::System& system) {
    InitResources();
    QIcon icon;
    for (const char* name : {":/icon.png", ":/icon-48.png", ":/icon-128.png", ":/icon-256.png"})
        icon.addFile(QString::fromLatin1(name));
    window.setWindowIcon(icon);

    const std::optional<platform::Rgb> caption = system.activeCaptionColour();
    Colour(chrome.message, caption ? QColor(caption->red, caption->green, caption->blue) : QColor(0, 0, 128),
           Qt::white);
    chrome.english->setFont(LayoutFont("MS Sans Serif", 13, false));
    QPalette red = chrome.english->palette();
    // Red only while it can be pressed: disabled, it greys out like its neighbours.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        red.setColor(group, QPalette::ButtonText, LampRed);
    chrome.english->setPalette(red);
    Colour(chrome.company, QColor(128, 0, 128), Qt::white);
    chrome.company->setFont(LayoutFont("Microsoft Sans Serif", 11, false));
    chrome.company->setFrameShadow(QFrame::Plain);
    chrome.exit->setFont(LayoutFont("MS Sans Serif", 16, true));
    chrome.exit->setIcon(window.style()->standardIcon(QStyle::SP_DialogCloseButton));
}

void ValueLooks(QWidget* panel) {
    Colour(panel, QApplication::palette().color(QPalette::Highlight), LampYellow);
    panel->setFont(LayoutFont("MS Sans Serif", 16, true));
}

bool SetCaption(QWidget& window, const QString& control, const QString& text) {
    if (control == window.objectName()) {
        window.setWindowTitle(text);
        return true;
    }
    QWidget* widget = window.findChild<QWidget*>(control);
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(text);
    else
        return false;
    return true;
}

void Blink(TShape& lamp, int& phase) {
    phase = phase == 1 ? 0 : 1;
    lamp.setBrushColor(phase == 1 ? LampRed : LampYellow);
}

bool SwitchLanguage(platform::SettingsStore& store, int index) {
    localisation::SelectLanguage(index);
    return settings::SaveLanguage(store, localisation::LanguageName);
}

bool TakeEscape(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape)
        return false;
    event->accept();
    return true;
}

} // namespace console
