// bench-site-window: the time per reader of the same plan in the site window and in readerctl, in virtual time, over
// the reader model. Readers arrive one after another on COM3, each plugged in a while after the last one was taken away
// and taken away a while after its tone; both faces run the commissioning library over the same readers. It measures
// and prints; it never fails for being slow.

#include "cli/readerctl.h"
#include "console/site_window.h"
#include "platform/testing/memory_settings_store.h"
#include "platform/testing/virtual_system.h"
#include "sim/reader_model.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int Doors = 10;
constexpr std::uint32_t GapMs = 1500;  ///< from a reader taken away to the next one plugged in
constexpr std::uint32_t HoldMs = 2000; ///< from the tone to the reader taken away

/// The readers of one run and when each came, sounded and went.
struct Site {
    platform::VirtualSystem system;
    platform::MemorySettingsStore store;
    std::vector<std::unique_ptr<sim::ReaderModel>> readers;
    std::size_t arrived = 0;
    bool present = false;
    std::uint64_t plugAtMs = GapMs;
    std::uint64_t unplugAtMs = 0;
    std::vector<std::uint64_t> plugged, sounded, frames;

    Site() {
        for (int i = 0; i < Doors; ++i) {
            readers.push_back(std::make_unique<sim::ReaderModel>());
            readers.back()->state.serial = "2024" + std::to_string(1000 + i);
        }
        system.onSleep = [this](std::uint32_t) { step(); };
        system.onFrame = [this](const platform::VirtualSystem::FrameRecord&) {
            if (present)
                ++frames.back();
            step();
        };
        system.onBeep = [this](const platform::VirtualSystem::BeepRecord&) {
            sounded.push_back(system.nowMs());
            unplugAtMs = system.nowMs() + HoldMs;
        };
    }
    void step() {
        const std::uint64_t now = system.nowMs();
        if (!present && arrived < readers.size() && now >= plugAtMs) {
            platform::VirtualSystem::PortConfig config;
            config.peer = readers[arrived++].get();
            system.setPort(3, config);
            present = true;
            plugged.push_back(now);
            frames.push_back(0);
        } else if (present && unplugAtMs && now >= unplugAtMs) {
            system.setPort(3, {});
            present = false;
            unplugAtMs = 0;
            plugAtMs = now + GapMs;
        }
    }
    /// A run that does not end with the plan is ended at ten virtual minutes.
    bool overdue() const { return system.nowMs() > 600000; }
};

struct Figures {
    double plugToTone = 0; ///< ms, average
    double cycle = 0;      ///< ms from one reader plugged in to the next, average
    double frames = 0;     ///< commands per reader
    std::uint64_t total = 0;
    int readers = 0;
    double wallMs = 0; ///< what the run took on this machine: the face's own work, virtual waits cost nothing
};

Figures Measure(const Site& site, std::uint64_t endMs) {
    Figures figures;
    figures.readers = int(site.sounded.size());
    for (std::size_t i = 0; i < site.sounded.size(); ++i) {
        figures.plugToTone += double(site.sounded[i] - site.plugged[i]);
        figures.frames += double(site.frames[i]);
    }
    if (figures.readers > 0) {
        figures.plugToTone /= figures.readers;
        figures.frames /= figures.readers;
    }
    if (site.plugged.size() > 1)
        figures.cycle = double(site.plugged.back() - site.plugged.front()) / double(site.plugged.size() - 1);
    figures.total = endMs;
    return figures;
}

std::string PlanText() {
    std::string text = "door,id,keys,mode\r\n";
    for (int i = 0; i < Doors; ++i)
        text += "D" + std::to_string(i + 1) + "," + std::to_string(11 + i) + ",6,wiegand 34 32\r\n";
    return text;
}

Figures Readerctl(const std::string& plan, const std::string& record) {
    const auto began = std::chrono::steady_clock::now();
    Site site;
    std::ostringstream out;
    std::ostringstream err;
    cli::CtlEnvironment environment{site.system, site.store, out, err, [&site] { return site.overdue(); }, {}};
    cli::RunReaderctl({"apply", plan, "--record", record}, environment);
    Figures figures = Measure(site, site.system.nowMs());
    figures.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    return figures;
}

Figures Window(const std::string& plan, const std::string& record) {
    const auto began = std::chrono::steady_clock::now();
    Site site;
    readerlink::LinkSetup links(site.system);
    console::TfrmSite window(site.store, links, {plan, record, {}});
    window.show();
    auto* stop = window.findChild<QPushButton*>(QStringLiteral("btnStop"));
    site.system.onSleep = [&](std::uint32_t) {
        site.step();
        if (site.overdue())
            stop->click();
    };
    window.findChild<QPushButton*>(QStringLiteral("btnStart"))->click();
    Figures figures = Measure(site, site.system.nowMs());
    figures.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const std::string plan = folder.filePath(QStringLiteral("site.csv")).toStdString();
    std::ofstream(plan, std::ios::binary) << PlanText();

    const Figures ctl = Readerctl(plan, folder.filePath(QStringLiteral("ctl.csv")).toStdString());
    const Figures win = Window(plan, folder.filePath(QStringLiteral("window.csv")).toStdString());
    std::printf("the same plan of %d doors (ID, keys, mode), readers on COM3 at 19200,e,8,1, in virtual time;\n"
                "each plugged in %u ms after the last one was taken away, taken away %u ms after its tone\n\n",
                Doors, GapMs, HoldMs);
    std::printf("%-44s %12s %12s\n", "", "readerctl", "window");
    std::printf("%-44s %12d %12d\n", "readers done", ctl.readers, win.readers);
    std::printf("%-44s %12.0f %12.0f\n", "plugged in to its tone, per reader (ms)", ctl.plugToTone, win.plugToTone);
    std::printf("%-44s %12.0f %12.0f\n", "plugged in to the next plugged in (ms)", ctl.cycle, win.cycle);
    std::printf("%-44s %12.1f %12.1f\n", "commands sent per reader", ctl.frames, win.frames);
    std::printf("%-44s %12llu %12llu\n", "the whole run (ms)", static_cast<unsigned long long>(ctl.total),
                static_cast<unsigned long long>(win.total));
    std::printf("%-44s %12.1f %12.1f\n", "wall time of the run, per reader (ms)", ctl.wallMs / Doors,
                win.wallMs / Doors);
    return 0;
}
