#pragma once
// The real window over the virtual-time double: a reader model on chosen COM numbers, silent ports elsewhere,
// an in-memory settings key. Each test builds its own, so the shared values start fresh from FormCreate.

#include "console/frmmodule.h"
#include "platform/testing/memory_settings_store.h"
#include "platform/testing/virtual_system.h"
#include "sim/reader_model.h"
#include "window_controls.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

struct WindowFixture {
    platform::VirtualSystem system;
    platform::ScopedVirtualSystem installed{system};
    platform::MemorySettingsStore store;
    sim::ReaderModel reader;
    std::unique_ptr<TfrmModule> window;
    std::unique_ptr<WindowControls> controls;

    /// The reader answers on COM`portNo`.
    void readerOn(int portNo) {
        platform::VirtualSystem::PortConfig config;
        config.peer = &reader;
        system.setPort(portNo, config);
    }
    /// A port that opens but where nothing answers.
    void silentPort(int portNo) { system.setPort(portNo, platform::VirtualSystem::PortConfig{}); }

    void remember(int portNo, int index, const std::string& settings) {
        store.keyExists = true;
        store.values["ScanCommNo"] = portNo;
        store.values["ScanBaudRateNo"] = index;
        store.values["ScanBaudRate"] = settings;
    }

    TfrmModule& open() {
        window = std::make_unique<TfrmModule>(store);
        controls = std::make_unique<WindowControls>(*window);
        window->show();
        return *window;
    }
    WindowControls& ui() { return *controls; }

    /// Opens the window and scans; true when the scan completed.
    bool scanned(int portNo = 1) {
        readerOn(portNo);
        open();
        window->btnScanClick();
        return controls->pnMsg->text().startsWith(QStringLiteral("Get Reader Info Ok"));
    }

    std::vector<std::string> commands() const { return system.commands(); }
    /// The frames' commands after the first `skip`.
    std::vector<std::string> commandsAfter(std::size_t skip) const {
        std::vector<std::string> all = system.commands();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(skip, all.size())), all.end()};
    }
    std::vector<int> openedPorts() const {
        std::vector<int> ports;
        for (const auto& open : system.opens())
            ports.push_back(open.portNo);
        return ports;
    }
    unsigned lastBeepHz() const { return system.beeps().empty() ? 0 : system.beeps().back().frequencyHz; }
    QColor comm() const { return controls->shComm->brushColor(); }
};

inline QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

using Commands = std::vector<std::string>;
Q_DECLARE_METATYPE(Commands)
