#pragma once
// The site window over the virtual-time double: readers that arrive one after another on COM3, each taken away a
// while after the window's tone, and a log of what the window shows as it changes (status, counts, each table
// row, the tones, the pointer), read at every frame, pause and tone of the run.

#include "console/shape.h"
#include "console/site_window.h"
#include "localisation/language.h"
#include "platform/testing/memory_settings_store.h"
#include "platform/testing/virtual_system.h"
#include "sim/reader_model.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using console::TfrmSite;

struct SiteFixture {
    static constexpr int Port = 3;

    platform::VirtualSystem system;
    readerlink::LinkSetup links{system};
    platform::MemorySettingsStore store;
    QTemporaryDir folder;
    std::vector<std::unique_ptr<sim::ReaderModel>> readers; ///< in the order they arrive
    std::unique_ptr<TfrmSite> window;
    QStringList log;

    // ---- the readers ----
    std::uint32_t gapMs = 1500;  ///< from a reader taken away (or the start) to the next one plugged in
    std::uint32_t holdMs = 2000; ///< from the tone to the reader taken away
    std::size_t arrived = 0;
    bool present = false;
    std::uint64_t plugAtMs = 0;
    std::uint64_t unplugAtMs = 0;
    /// Stop is clicked this long after the last reader left (0: never); and in any case at ten virtual minutes,
    /// so that a fault fails the test instead of hanging it.
    std::uint32_t stopAfterLastMs = 0;
    std::uint64_t lastLeftMs = 0;
    bool stopPosted = false;
    /// Called with each command frame the window sends, before the look.
    std::function<void(const std::string& command)> onCommand;

    sim::ReaderModel& reader(const std::string& serial) {
        readers.push_back(std::make_unique<sim::ReaderModel>());
        readers.back()->state.serial = serial;
        return *readers.back();
    }
    /// A file in the test's folder.
    QString file(const QString& name, const QByteArray& content) {
        QFile out(folder.filePath(name));
        if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(out.fileName()));
        return out.fileName();
    }
    QString record() const { return folder.filePath(QStringLiteral("record.csv")); }
    /// The language the window starts in, as the main window saved it ("English", "ChineseGB", "ChineseBIG5").
    void savedLanguage(const QString& name) {
        store.keyExists = true;
        store.values["LanguageFlag"] = name.toStdString();
    }

    TfrmSite& open(const QString& plan = {}, const QString& report = {}) {
        return open(console::SiteFiles{plan.toStdString(), record().toStdString(), report.toStdString()});
    }
    TfrmSite& open(const console::SiteFiles& files) {
        window = std::make_unique<TfrmSite>(store, links, files);
        window->show();
        system.onFrame = [this](const platform::VirtualSystem::FrameRecord& frame) {
            if (onCommand)
                onCommand(frame.command);
            step();
        };
        system.onSleep = [this](std::uint32_t) { step(); };
        system.onBeep = [this](const platform::VirtualSystem::BeepRecord& beep) {
            step();
            log << QStringLiteral("beep %1, lamp %2").arg(beep.frequencyHz).arg(lamp());
            if (present)
                unplugAtMs = system.nowMs() + holdMs;
        };
        plugAtMs = system.nowMs() + gapMs;
        look();
        return *window;
    }

    template <class Control> Control* find(const char* name) const {
        Control* control = window->findChild<Control*>(QString::fromLatin1(name));
        if (!control)
            qFatal("the site window has no %s", name);
        return control;
    }
    QTableWidget* table() const { return find<QTableWidget>("tblReaders"); }
    QString status() const { return find<QLabel>("pnStatus")->text(); }
    QString lamp() const {
        const QColor colour = find<console::TShape>("shComm")->brushColor();
        return colour == QColor(255, 255, 0) ? QStringLiteral("yellow")
               : colour == QColor(255, 0, 0) ? QStringLiteral("red")
                                             : colour.name();
    }
    /// A click, and a look at what it left on screen.
    void click(const char* button) {
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
        look();
    }
    /// A click on Stop that the window gets through its queue, as the user's would.
    void postStop() {
        QMetaObject::invokeMethod(find<QPushButton>("btnStop"), &QAbstractButton::click, Qt::QueuedConnection);
        // What the click showed, before the run goes on.
        QMetaObject::invokeMethod(
            window.get(), [this] { look(); }, Qt::QueuedConnection);
    }

    // ---- the log ----
    static QString StateName(TfrmSite::RowState state) {
        const char* const names[] = {"not done", "under way", "done", "failed", "drift", "refused"};
        return QString::fromLatin1(names[int(state)]);
    }
    /// "door: state, outcome | id keys mode parity line".
    QString row(int index) const {
        const QTableWidget* t = table();
        const auto cell = [&](int column) { return t->item(index, column)->text(); };
        QStringList values;
        for (int column = TfrmSite::ColSettings; column < TfrmSite::ColOutcome; ++column)
            values << cell(column);
        const auto state = TfrmSite::RowState(t->item(index, TfrmSite::ColDoor)->data(TfrmSite::StateRole).toInt());
        const QString who = cell(TfrmSite::ColDoor).isEmpty() ? cell(TfrmSite::ColSerial) : cell(TfrmSite::ColDoor);
        return who + QStringLiteral(": ") + StateName(state) + QStringLiteral(", ") + cell(TfrmSite::ColOutcome) +
               QStringLiteral(" | ") + values.join(QLatin1Char(' '));
    }
    QString counts() const {
        return find<QLabel>("pnDone")->text() + QLatin1Char(' ') + find<QLabel>("pnFailed")->text() + QLatin1Char(' ') +
               find<QLabel>("pnLeft")->text();
    }
    QString cursor() const {
        const QCursor* cursor = QApplication::overrideCursor();
        return cursor && cursor->shape() == Qt::BusyCursor ? QStringLiteral("busy")
               : cursor                                    ? QStringLiteral("other")
                                                           : QStringLiteral("normal");
    }

    QString shownStatus, shownCounts, shownCursor = QStringLiteral("normal");
    QStringList shownRows;
    /// Appends to the log what changed on screen since the last look.
    void look() {
        if (status() != shownStatus) {
            shownStatus = status();
            log << QStringLiteral("status ") + QString(shownStatus).replace(QLatin1Char('\n'), QStringLiteral(" / "));
        }
        for (int i = 0; i < table()->rowCount(); ++i) {
            if (i == shownRows.size())
                shownRows << QString();
            if (row(i) != shownRows[i])
                log << QStringLiteral("row ") + (shownRows[i] = row(i));
        }
        if (counts() != shownCounts)
            log << QStringLiteral("counts ") + (shownCounts = counts());
        if (cursor() != shownCursor)
            log << QStringLiteral("cursor ") + (shownCursor = cursor());
    }

    /// One step of the site's life: plug, unplug, stop; then a look at the window.
    void step() {
        const std::uint64_t now = system.nowMs();
        if (!present && arrived < readers.size() && now >= plugAtMs) {
            platform::VirtualSystem::PortConfig config;
            config.peer = readers[arrived++].get();
            system.setPort(Port, config);
            present = true;
            log << QStringLiteral("plugged %1").arg(QString::fromStdString(readers[arrived - 1]->state.serial));
        } else if (present && unplugAtMs && now >= unplugAtMs) {
            system.setPort(Port, {}); // the converter stays, the reader is gone
            present = false;
            unplugAtMs = 0;
            plugAtMs = now + gapMs;
            lastLeftMs = now;
            log << QStringLiteral("unplugged");
        }
        const bool allGone = arrived == readers.size() && !present;
        if (window->running() && !stopPosted &&
            ((stopAfterLastMs && allGone && now >= lastLeftMs + stopAfterLastMs) || now >= 600000)) {
            stopPosted = true;
            log << QStringLiteral("Stop");
            postStop();
        }
        look();
    }
};

/// Whether `expected` appears in `log` in its order, each line the beginning of a log line; the first one missing
/// otherwise (and the log goes to the test's output).
inline QString MissingFrom(const QStringList& log, const QStringList& expected) {
    qsizetype at = 0;
    for (const QString& line : expected) {
        while (at < log.size() && !log[at].startsWith(line))
            ++at;
        if (at == log.size()) {
            for (const QString& logged : log)
                qInfo().noquote() << "  " << logged;
            return QStringLiteral("missing, in its order: ") + line;
        }
        ++at;
    }
    return {};
}

/// Lines of a raw string, each trimmed, blank ones left out.
inline QStringList Lines(const char* text) {
    QStringList lines;
    for (const QString& line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    return lines;
}
