#pragma once
// Every step an operation takes, as lines of text, for comparing with an expected sequence. The recorder
// stands between the link and the virtual system, so it sees every open, frame, pause, pacing sleep and beep;
// at each of them, and after each service of the window's queue, it notes what the window shows that has
// changed since. The window's timers run on the virtual clock: their wall-clock ticks are swallowed and
// delivered when the queue is served, as a real tick would be, so a sequence never depends on the machine.

#include "window_fixture.h"

#include "link/link.h"
#include "operations/operations.h"
#include "settings/settings.h"

#include <QComboBox>
#include <QRegularExpression>
#include <QScrollBar>

#include <algorithm>
#include <map>
#include <utility>

/// The window takes input and shows the normal cursor. The one place that knows how the busy state looks.
inline bool WindowIdle(const TfrmModule& window) {
    return window.inputEnabled() && !QApplication::overrideCursor();
}

class Recorder final : public QObject, public platform::System {
public:
    /// Without `steps` only the virtual-time timers run: nothing is noted, and a long run goes faster.
    explicit Recorder(WindowFixture& f, bool steps = true) : f_(f), virtual_(f.system), steps_(steps) {
        timers_ = {{f.window->tmrBusy, &TfrmModule::tmrBusyTimer}, {f.window->tmrCard, &TfrmModule::tmrCardTimer}};
        for (Timer& timer : timers_)
            timer.timer->installEventFilter(this);
        f.forwarding.target = this;
        f.links.messagePump = [this] { serve(); };
        track();
        shown_ = look();
        stored_ = f.store.values;
    }
    ~Recorder() override {
        f_.links.messagePump = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
        f_.forwarding.target = &virtual_;
        if (f_.window)
            for (Timer& timer : timers_)
                timer.timer->removeEventFilter(this);
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    /// Everything since the last take, the window's present state included.
    QStringList take() {
        sample();
        flushPacing();
        return std::exchange(lines_, {});
    }

    // ---- System: noted, then passed on ----
    platform::PortHandle openPort(int portNo, platform::OpenError* error) override {
        sample();
        const platform::PortHandle handle = virtual_.openPort(portNo, error);
        if (handle == platform::InvalidPort)
            failedOpen(portNo);
        else
            ports_[handle] = portNo;
        return handle;
    }
    bool getTimeouts(platform::PortHandle port, platform::CommTimeouts& out) override {
        return virtual_.getTimeouts(port, out);
    }
    bool setTimeouts(platform::PortHandle port, const platform::CommTimeouts& timeouts) override {
        sample();
        return virtual_.setTimeouts(port, timeouts);
    }
    bool applyLineSettings(platform::PortHandle port, const std::string& text) override {
        note(QStringLiteral("open %1 %2").arg(ports_[port]).arg(QString::fromStdString(text)));
        return virtual_.applyLineSettings(port, text);
    }
    std::size_t write(platform::PortHandle port, const std::uint8_t* data, std::size_t count) override {
        sample();
        const std::size_t before = virtual_.frames().size();
        const std::size_t written = virtual_.write(port, data, count);
        for (std::size_t i = before; i < virtual_.frames().size(); ++i)
            note(QStringLiteral("> ") + QString::fromLatin1(virtual_.frames()[i].command.c_str()));
        afterWrite_ = true;
        return written;
    }
    platform::ReadResult readByte(platform::PortHandle port, std::uint8_t& byte) override {
        return virtual_.readByte(port, byte);
    }
    std::size_t readWaiting(platform::PortHandle port, std::uint8_t* buffer, std::size_t size) override {
        return virtual_.readWaiting(port, buffer, size);
    }
    void closePort(platform::PortHandle port) override {
        sample();
        note(QStringLiteral("close %1").arg(ports_[port]));
        ports_.erase(port);
        virtual_.closePort(port);
    }
    std::uint32_t clockMs() override { return virtual_.clockMs(); }
    void sleepMs(std::uint32_t ms) override {
        sample();
        if (ms == 1 && !afterWrite_) {
            ++paced_; // the card-reading pacing: one pass of queue service and 1 ms
            pacedServed_ += servedSinceSleep_ > 0;
        } else if (!afterWrite_) {
            note(QStringLiteral("pause %1").arg(ms));
        }
        afterWrite_ = false;
        servedSinceSleep_ = 0;
        virtual_.sleepMs(ms);
    }
    void beep(unsigned frequencyHz, unsigned durationMs) override {
        sample();
        note(durationMs == SignalBeepMs ? QStringLiteral("beep %1").arg(frequencyHz)
                                        : QStringLiteral("beep %1 %2").arg(frequencyHz).arg(durationMs));
        virtual_.beep(frequencyHz, durationMs);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return event->type() == QEvent::Timer &&
               std::any_of(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.timer == watched; });
    }

private:
    struct Timer {
        QTimer* timer;
        void (TfrmModule::*slot)();
        bool wasActive = false;
        int id = -1;
        std::uint64_t dueUs = 0;
    };

    /// What the window shows, one line per part, in a fixed order; a part that changed is noted as its line.
    QStringList look() const {
        const WindowControls& ui = *f_.controls;
        const QWidget* window = f_.window.get();
        const auto colour = [](const QColor& c) {
            return c == LampRed      ? QStringLiteral("red")
                   : c == LampYellow ? QStringLiteral("yellow")
                   : c == LampWhite  ? QStringLiteral("white")
                                     : c.name();
        };
        const bool blinking = f_.window->tmrBusy->isActive();
        const QWidget* const lockable[] = {ui.btnExit,     ui.btnScan, ui.btnFactoryW26, ui.btnID,
                                           ui.btnBaudRate, ui.btnMode, ui.gbDefault,     ui.btnEng,
                                           ui.btnGB,       ui.btnBIG5, ui.btnKey};
        const auto locked = std::count_if(std::begin(lockable), std::end(lockable),
                                          [&](const QWidget* control) { return !control->isEnabledTo(window); });
        return {
            WindowIdle(*f_.window) ? QStringLiteral("state idle") : QStringLiteral("state busy"),
            blinking ? QStringLiteral("blink on") : QStringLiteral("blink off"),
            // While the lamp blinks its colour is the timer's; the colour it ends with is always noted.
            blinking ? QString() : QStringLiteral("shComm ") + colour(ui.shComm->brushColor()),
            QStringLiteral("pnMsg ") + ui.pnMsg->text(),
            QStringLiteral("pnSerial ") + ui.pnSerial->text(),
            QStringLiteral("pnVersion ") + ui.pnVersion->text(),
            QStringLiteral("pnID ") + ui.pnID->text(),
            QStringLiteral("sbID %1").arg(ui.sbID->value()),
            QStringLiteral("pnKey ") + ui.pnKey->text(),
            QStringLiteral("sbKey %1").arg(ui.sbKey->value()),
            QStringLiteral("lists %1 %2 %3 %4 %5 btnParity %6")
                .arg(ui.cmbBaudRate->currentIndex())
                .arg(ui.cmbMode->currentIndex())
                .arg(ui.cmbWiegand->currentIndex())
                .arg(ui.cmbRS485->currentIndex())
                .arg(ui.cmbParity->currentIndex())
                .arg(ui.btnParity->isEnabledTo(window) ? "on" : "off"),
            locked == 0    ? QStringLiteral("unlocked")
            : locked == 11 ? QStringLiteral("locked")
                           : QStringLiteral("locked %1 of 11").arg(locked),
            QStringLiteral("btnReadCard ") + ui.btnReadCard->text(),
            QStringLiteral("shCard ") + colour(ui.shCard->brushColor()),
            QStringLiteral("pnCardID ") + ui.pnCardID->text(),
            QStringLiteral("ReaderFound %1").arg(f_.state().ReaderFound),
            QStringLiteral("CardReadActive %1").arg(f_.state().CardReadActive),
        };
    }

    void sample() {
        track();
        if (!f_.window || !steps_)
            return;
        const QStringList now = look();
        for (qsizetype i = 0; i < now.size(); ++i) {
            if (now[i] != shown_[i] && !now[i].isEmpty())
                note(now[i]);
        }
        shown_ = now;
        for (const auto& [name, value] : f_.store.values) {
            const auto old = stored_.find(name);
            if (old == stored_.end() || !(old->second == value))
                note(QStringLiteral("store %1 %2").arg(QString::fromStdString(name), Text(value)));
        }
        stored_ = f_.store.values;
    }

    static QString Text(const platform::MemorySettingsStore::Value& value) {
        if (const auto* number = std::get_if<std::int32_t>(&value))
            return QString::number(*number);
        if (const auto* text = std::get_if<std::string>(&value))
            return QString::fromStdString(*text);
        return QStringLiteral("(bytes)");
    }

    void note(const QString& line) {
        if (!steps_)
            return;
        flushPacing();
        lines_ << line;
    }

    void failedOpen(int portNo) {
        // A run of ports that do not open reads as one line: "open 4..16 failed".
        static const QRegularExpression run(QStringLiteral("^open (\\d+)(?:\\.\\.(\\d+))? failed$"));
        if (!steps_)
            return;
        flushPacing();
        if (!lines_.isEmpty()) {
            const QRegularExpressionMatch m = run.match(lines_.last());
            const int last = m.hasMatch() ? (m.captured(2).isEmpty() ? m.captured(1) : m.captured(2)).toInt() : -2;
            if (last + 1 == portNo) {
                lines_.last() = QStringLiteral("open %1..%2 failed").arg(m.captured(1)).arg(portNo);
                return;
            }
        }
        lines_ << QStringLiteral("open %1 failed").arg(portNo);
    }

    void flushPacing() {
        if (paced_ > 0)
            lines_ << QStringLiteral("pace %1 served %2").arg(paced_).arg(pacedServed_);
        paced_ = pacedServed_ = 0;
    }

    /// Notes a timer started (or restarted) since the last look, and when its first tick is due.
    void track() {
        if (!f_.window)
            return;
        for (Timer& timer : timers_) {
            const bool active = timer.timer->isActive();
            if (active && (!timer.wasActive || timer.timer->timerId() != timer.id))
                timer.dueUs = virtual_.nowUs() + std::uint64_t(timer.timer->interval()) * 1000;
            timer.wasActive = active;
            timer.id = timer.timer->timerId();
        }
    }

    /// The window's queue, served: the ticks that are due on the virtual clock, then what else is pending.
    void serve() {
        ++servedSinceSleep_;
        track();
        for (Timer& timer : timers_) {
            while (timer.timer->isActive() && virtual_.nowUs() >= timer.dueUs) {
                timer.dueUs += std::uint64_t(timer.timer->interval()) * 1000;
                (f_.window.get()->*timer.slot)();
                timer.wasActive = timer.timer->isActive();
            }
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        sample();
    }

    WindowFixture& f_;
    platform::VirtualSystem& virtual_;
    const bool steps_;
    std::vector<Timer> timers_;
    QStringList shown_;
    std::map<std::string, platform::MemorySettingsStore::Value> stored_;
    std::map<platform::PortHandle, int> ports_;
    QStringList lines_;
    bool afterWrite_ = false;
    int paced_ = 0;
    int pacedServed_ = 0;
    int servedSinceSleep_ = 0;
};

/// An expected sequence written one step a line; blank lines and leading blanks are ignored.
inline QStringList Steps(const char* text) {
    QStringList steps;
    for (const QString& line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        const QString step = line.trimmed();
        if (!step.isEmpty())
            steps << step;
    }
    return steps;
}

/// Compares two sequences and, when they differ, prints both from the first difference on.
inline bool SameSteps(const QStringList& actual, const QStringList& expected) {
    qsizetype i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
        ++i;
    if (i == actual.size() && i == expected.size())
        return true;
    qWarning().noquote() << "sequences differ at step" << i + 1;
    for (qsizetype j = std::max<qsizetype>(0, i - 3); j < std::max(actual.size(), expected.size()); ++j)
        qWarning().noquote() << (j < i ? "   " : " ! ") << QString::number(j + 1).rightJustified(3)
                             << (j < actual.size() ? actual[j] : QStringLiteral("(none)")).leftJustified(44) << "| "
                             << (j < expected.size() ? expected[j] : QStringLiteral("(none)"));
    return false;
}
