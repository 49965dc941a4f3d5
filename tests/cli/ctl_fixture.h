#pragma once
// readerctl run as a function over the reader model in virtual time, with its output, its frames and what it
// saved at hand for the tests.

#include "cli/readerctl.h"
#include "platform/testing/memory_settings_store.h"
#include "platform/testing/virtual_system.h"
#include "sim/reader_model.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

#include <functional>
#include <sstream>

namespace {

struct Ctl {
    platform::VirtualSystem system;
    platform::MemorySettingsStore store;
    sim::ReaderModel reader;
    std::ostringstream out;
    std::ostringstream err;
    std::function<bool()> interrupted = [] { return false; };
    int bells = 0; ///< the terminal's bell, rung for a beep nobody heard

    Ctl() { readerOn(3); }
    void readerOn(int portNo, sim::ReaderModel* model = nullptr) {
        platform::VirtualSystem::PortConfig config;
        config.peer = model ? model : &reader;
        system.setPort(portNo, config);
    }
    void remember(int portNo, int index, const std::string& settings) {
        store.keyExists = true;
        store.values["ScanCommNo"] = portNo;
        store.values["ScanBaudRateNo"] = index;
        store.values["ScanBaudRate"] = settings;
    }
    int run(const QString& line) {
        std::vector<std::string> args;
        for (const QString& word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            args.push_back(word.toStdString());
        cli::CtlEnvironment environment{system, store, out, err, interrupted, [this] { ++bells; }};
        return cli::RunReaderctl(args, environment);
    }
    QString output() const { return QString::fromStdString(out.str()); }
    /// The last line of the output as a JSON object.
    QJsonObject json() const {
        const QStringList lines = output().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return lines.isEmpty() ? QJsonObject() : QJsonDocument::fromJson(lines.last().toUtf8()).object();
    }
    QString errors() const { return QString::fromStdString(err.str()); }
    QString commands() const {
        QStringList list;
        for (const std::string& command : system.commands())
            list << QString::fromStdString(command);
        return list.join(QLatin1Char(' '));
    }
    /// The line settings of the frames after the first `skip`, each once in a row.
    QStringList lines(std::size_t skip = 0) const {
        QStringList list;
        for (std::size_t i = skip; i < system.frames().size(); ++i) {
            const QString line = QString::fromStdString(system.frames()[i].line);
            if (list.isEmpty() || list.last() != line)
                list << line;
        }
        return list;
    }
    std::int32_t saved(const char* name) const {
        const auto found = store.values.find(name);
        return found == store.values.end() ? -1 : std::get<std::int32_t>(found->second);
    }
};

using Setup = std::function<void(Ctl&)>;

/// Drives a site of readers coming and going on COM3: each reader is taken out once readerctl said how it ended,
/// and the next one put in its place after `gapMs` (0: while the last is being polled to see it go).
struct Arrivals {
    Arrivals(Ctl& on, std::vector<sim::ReaderModel*> coming, std::uint32_t gap = 0)
        : ctl(on), readers(std::move(coming)), gapMs(gap) {}
    Ctl& ctl;
    std::vector<sim::ReaderModel*> readers;
    std::uint32_t gapMs = 0;
    std::size_t current = 0;
    std::uint64_t swappedAt = 0;
    bool done = false;
    std::uint64_t doneAt = 0;
    /// Told of each reader taken out, by its place in `readers`, before the next comes.
    std::function<void(std::size_t)> onRemoved;

    void watch() {
        const auto step = [this](const std::string&) {
            if (done)
                return;
            // Done once readerctl said how it ended, in words or as JSON.
            const QString serial = QString::fromStdString(readers[current]->state.serial);
            const QString said = ctl.output();
            const bool finished = said.contains(QRegularExpression("Reader " + serial + "( \\(.*\\))?: ")) ||
                                  said.contains("\"serial\":\"" + serial);
            if (finished && swappedAt == 0) {
                swappedAt = ctl.system.nowMs() + 1;
            } else if (swappedAt && ctl.system.nowMs() >= swappedAt + gapMs) {
                swappedAt = 0;
                if (onRemoved)
                    onRemoved(current);
                if (++current == readers.size()) {
                    done = true;
                    doneAt = ctl.system.nowMs();
                    current = readers.size() - 1;
                    ctl.system.setPort(3, {});
                    return;
                }
                ctl.readerOn(3, readers[current]);
            }
        };
        ctl.system.onFrame = [step](const platform::VirtualSystem::FrameRecord& frame) { step(frame.command); };
        ctl.system.onSleep = [step](std::uint32_t) { step({}); };
        // A run that never finishes its readers ends too, so that a fault fails the test instead of hanging it.
        ctl.interrupted = [this] {
            return (done && ctl.system.nowMs() > doneAt + 3000) || ctl.system.nowMs() > 600000;
        };
        ctl.readerOn(3, readers[0]);
    }
};

} // namespace
