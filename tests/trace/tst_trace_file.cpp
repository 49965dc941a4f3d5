// The protocol trace over the reader model in virtual time: what a reply line says of its exchange's time.

#include "link/link.h"
#include "platform/testing/virtual_system.h"
#include "sim/reader_line.h"
#include "sim/reader_model.h"
#include "trace/trace_file.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

class TestTraceFile : public QObject {
    Q_OBJECT

private slots:
    // A reply line's `ms` runs from its command line's `t`, when the frame's TAB went out, to the exchange's end;
    // the frame takes 8 ms to write (TAB, text, two digits, CR with their pauses).
    void exchangeTime_data() {
        QTest::addColumn<int>("replyMs"); // the whole reply lands this long after the frame's CR; -1: none
        QTest::addColumn<bool>("badChecksum");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("ms");
        QTest::newRow("3 ms after the CR") << 3 << false << "valid" << 11;
        QTest::newRow("60 ms after the CR") << 60 << false << "valid" << 68;
        QTest::newRow("a bad checksum 60 ms after the CR") << 60 << true << "bad checksum" << 68;
        // The time-out: 1 ms of the CR's pause, then 121 ms.
        QTest::newRow("no reply") << -1 << false << "time-out" << 130;
        QTest::newRow("too late") << 125 << false << "time-out" << 130;
    }
    void exchangeTime() {
        QFETCH(int, replyMs);
        QFETCH(bool, badChecksum);
        QFETCH(QString, outcome);
        QFETCH(int, ms);
        QTemporaryDir folder;
        const QString path = folder.filePath("trace.jsonl");
        platform::VirtualSystem system(1000);
        sim::ReaderModel reader;
        platform::VirtualSystem::PortConfig config;
        config.peer = &reader;
        system.setPort(1, config);
        reader.faults.pacing = false;
        reader.faults.silent = replyMs < 0;
        reader.faults.badChecksum = badChecksum;
        // The CR's crossing and the reply's first byte take a character time each.
        const std::uint32_t crossingUs = 2 * sim::CharacterTimeUs(reader.line());
        reader.faults.answerDelayUs = std::uint32_t(std::max(replyMs, 1)) * 1000 - crossingUs;
        std::string error;
        const std::unique_ptr<trace::TraceFile> file =
            trace::TraceFile::Open(path.toStdString(), "test", system, error);
        QVERIFY2(file, error.c_str());
        readerlink::LinkSetup setup(system);
        setup.trace = file.get();
        {
            readerlink::Link link(setup);
            system.advanceUs(7000); // the trace's clock starts at 0, the system's elsewhere
            QVERIFY(link.OpenComPort(1, "19200,e,8,1"));
            link.SendCommand("H00B");
        }

        QFile text(path);
        QVERIFY(text.open(QIODevice::ReadOnly));
        QJsonObject command;
        QJsonObject reply;
        for (const QByteArray& line : text.readAll().split('\n')) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            if (object.value("event") == QStringLiteral("command"))
                command = object;
            if (object.value("event") == QStringLiteral("reply"))
                reply = object;
        }
        QCOMPARE(command.value("t").toInt(), 7);
        QCOMPARE(reply.value("outcome").toString(), outcome);
        QCOMPARE(reply.value("ms").toInt(), ms);
        QCOMPARE(reply.value("t").toInt() - command.value("t").toInt(), ms);
    }
};

QTEST_APPLESS_MAIN(TestTraceFile)
#include "tst_trace_file.moc"
