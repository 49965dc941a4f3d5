// The trace file's lines for what a real line does around a reply, over the reader model in virtual time: the
// echo and noise set aside, a late reply discarded before the next command, a port that went away.

#include "link/link.h"
#include "platform/testing/virtual_system.h"
#include "sim/reader_model.h"
#include "trace/trace_file.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

using Fault = std::function<void(sim::ReaderModel&, platform::VirtualSystem&)>;

/// The line's event, then each of `keys` that it has, as key=value; an object's keys as object.key.
QString Pick(const QJsonObject& line, const QStringList& keys) {
    QStringList parts{line.value("event").toString()};
    for (const QString& key : keys) {
        const QStringList path = key.split('.');
        QJsonValue value = line.value(path.first());
        if (path.size() > 1)
            value = value.toObject().value(path.last());
        if (!value.isUndefined())
            parts << key + "=" + value.toVariant().toString();
    }
    return parts.join(' ');
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestTraceFile : public QObject {
    Q_OBJECT

private slots:
    // Two "H00B" exchanges; the lines of the second (its command, its reply, and a close when it had one).
    void realLine_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("ideal line") << Fault([](sim::ReaderModel&, platform::VirtualSystem&) {})
                                    << QStringList{"command", "reply outcome=valid bytes=16"};
        QTest::newRow("echo") << Fault([](sim::ReaderModel& r, platform::VirtualSystem&) {
            r.faults.echo = true;
        }) << QStringList{"command", "reply outcome=valid bytes=16 set_aside.bytes=8 set_aside.echo=true"};
        QTest::newRow("noise") << Fault([](sim::ReaderModel& r, platform::VirtualSystem&) {
            r.faults.noiseBytes = 3;
        }) << QStringList{"command", "reply outcome=valid bytes=16 set_aside.bytes=3 set_aside.echo=false"};
        // Each reply comes 125 ms late: after a pause of 100 ms the first waits in the input.
        QTest::newRow("late reply") << Fault([](sim::ReaderModel& r, platform::VirtualSystem&) {
            r.faults.answerDelayUs = 125000;
        }) << QStringList{"command discarded.bytes=16", "reply outcome=time-out bytes=0"};
        QTest::newRow("adapter pulled") << Fault([](sim::ReaderModel&, platform::VirtualSystem& system) {
            system.onFrame = [&system, frames = 0](const auto&) mutable {
                if (++frames == 2)
                    system.vanish(1);
            };
        }) << QStringList{"command", "reply outcome=port gone bytes=0", "close"};
    }
    void realLine() {
        QFETCH(Fault, fault);
        QFETCH(QStringList, expected);
        QTemporaryDir folder;
        const QString path = folder.filePath("trace.jsonl");
        platform::VirtualSystem system;
        sim::ReaderModel reader;
        platform::VirtualSystem::PortConfig config;
        config.peer = &reader;
        system.setPort(1, config);
        std::string error;
        const std::unique_ptr<trace::TraceFile> file =
            trace::TraceFile::Open(path.toStdString(), "test", system, error);
        QVERIFY(file);
        readerlink::LinkSetup setup(system);
        setup.trace = file.get();
        readerlink::Link link(setup);
        fault(reader, system);
        QVERIFY(link.OpenComPort(1, "19200,e,8,1"));
        link.SendCommand("H00B");
        system.sleepMs(100);
        link.SendCommand("H00B");
        // Each line is flushed as it is written: read while the link still holds the port.
        QFile lines(path);
        QVERIFY(lines.open(QIODevice::ReadOnly));
        QStringList got;
        // After the start, the open, and the first command and its reply.
        for (const QByteArray& text : lines.readAll().split('\n').mid(4)) {
            const QJsonObject line = QJsonDocument::fromJson(text).object();
            if (!line.isEmpty())
                got << Pick(line, {"discarded.bytes", "outcome", "bytes", "set_aside.bytes", "set_aside.echo"});
        }
        QCOMPARE(got, expected);
        system.onFrame = {};
        link.CloseComPort();
    }
};

QTEST_GUILESS_MAIN(TestTraceFile)
#include "tst_trace_file.moc"
