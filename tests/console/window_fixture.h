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

using namespace console;
using namespace localisation;
using namespace operations;
using protocol::BaudRateCount;
using protocol::BaudRateTable;

/// The system the window's link runs on: the virtual one, or whatever a test puts in front of it.
class ForwardingSystem final : public platform::System {
public:
    explicit ForwardingSystem(platform::System& to) : target(&to) {}
    platform::System* target;

    platform::PortHandle openPort(int portNo, platform::OpenError* error) override {
        return target->openPort(portNo, error);
    }
    bool getTimeouts(platform::PortHandle port, platform::CommTimeouts& out) override {
        return target->getTimeouts(port, out);
    }
    bool setTimeouts(platform::PortHandle port, const platform::CommTimeouts& timeouts) override {
        return target->setTimeouts(port, timeouts);
    }
    bool applyLineSettings(platform::PortHandle port, const std::string& text) override {
        return target->applyLineSettings(port, text);
    }
    std::size_t write(platform::PortHandle port, const std::uint8_t* data, std::size_t count) override {
        return target->write(port, data, count);
    }
    platform::ReadResult readByte(platform::PortHandle port, std::uint8_t& byte) override {
        return target->readByte(port, byte);
    }
    std::size_t readWaiting(platform::PortHandle port, std::uint8_t* buffer, std::size_t size) override {
        return target->readWaiting(port, buffer, size);
    }
    void closePort(platform::PortHandle port) override { target->closePort(port); }
    std::uint32_t clockMs() override { return target->clockMs(); }
    void sleepMs(std::uint32_t ms) override { target->sleepMs(ms); }
    void beep(unsigned frequencyHz, unsigned durationMs) override { target->beep(frequencyHz, durationMs); }
    std::optional<platform::Rgb> activeCaptionColour() override { return target->activeCaptionColour(); }
};

struct WindowFixture {
    platform::VirtualSystem system;
    ForwardingSystem forwarding{system};
    readerlink::LinkSetup links{forwarding};
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
        window = std::make_unique<TfrmModule>(store, links);
        controls = std::make_unique<WindowControls>(*window);
        window->show();
        return *window;
    }
    WindowControls& ui() { return *controls; }
    /// What the window knows of the reader.
    const operations::ReaderState& state() const { return window->reader(); }

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
