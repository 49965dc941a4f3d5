// readerctl end to end: the real program against reader-sim on a pseudo-terminal, in real time. The sequences,
// pauses and outputs in detail are tested on the virtual reader; here only that the pieces meet.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

/// The last non-empty line of `text` as a JSON object.
QJsonObject LastJson(const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QJsonObject() : QJsonDocument::fromJson(lines.last().toUtf8()).object();
}

} // namespace

class TestReaderctlPty : public QObject {
    Q_OBJECT

    QTemporaryDir config_;
    std::unique_ptr<QProcess> sim_;

    bool startSim(const QStringList& options) {
        sim_ = std::make_unique<QProcess>();
        sim_->setProgram(QStringLiteral(READER_SIM_PATH));
        sim_->setArguments(QStringList{"--com", "3", "--print-path"} + options);
        sim_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim_->start();
        if (!sim_->waitForStarted(5000))
            return false;
        while (!sim_->canReadLine()) {
            if (!sim_->waitForReadyRead(5000))
                return false;
        }
        return !sim_->readLine().trimmed().isEmpty();
    }

    static Run readerctl(const QStringList& arguments, int timeoutMs = 30000) {
        QProcess process;
        process.start(QStringLiteral(READERCTL_PATH), arguments);
        Run run;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            run.err = QStringLiteral("readerctl did not end");
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

private slots:
    void initTestCase() {
        QVERIFY(config_.isValid());
        // The ports folder and the settings of this test, of readerctl and of reader-sim.
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    }
    void cleanup() {
        if (sim_) {
            sim_->terminate();
            sim_->waitForFinished(5000);
            sim_.reset();
        }
    }

    void scanSetAndMonitor() {
        QVERIFY(startSim({"--card-every", "0.3"}));

        Run run = readerctl({"scan"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains("Get Reader Info Ok. (COM : #3)"), qPrintable(run.out));
        QVERIFY(run.out.contains("S/N : 20240117"));

        run = readerctl({"set", "id", "12"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(run.out.contains("Set Reader ID Ok"));

        // The remembered port, then the reader's new ID read back.
        run = readerctl({"--json", "scan"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QJsonObject info = LastJson(run.out);
        QCOMPARE(info.value("port").toInt(), 3);
        QCOMPARE(info.value("line").toString(), QStringLiteral("19200,e,8,1"));
        QCOMPARE(info.value("id").toString(), QStringLiteral("12"));
        QCOMPARE(info.value("serial").toString(), QStringLiteral("20240117"));

        run = readerctl({"--json", "monitor", "--count", "2"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        for (const QString& line : lines) {
            const QJsonObject card = QJsonDocument::fromJson(line.toUtf8()).object();
            QCOMPARE(card.value("card").toString().size(), 8);
            QVERIFY(card.contains("number"));
        }
    }

    // A 2-wire converter that echoes every command, and noise as it turns the line around: found, set and read
    // back as on a clean line, with the echo in the trace.
    void echoingLine() {
        QVERIFY(startSim({"--echo", "--noise-bytes", "4"}));
        const QString trace = config_.path() + "/echo.jsonl";
        Run run = readerctl({"--trace", trace, "scan"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(run.out.contains("S/N : 20240117"));
        run = readerctl({"--json", "set", "keys", "6", "mode", "wiegand", "34", "32"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(LastJson(run.out).value("read").toObject().value("keys").toString(), QStringLiteral("06"));
        QFile lines(trace);
        QVERIFY(lines.open(QIODevice::ReadOnly));
        int echoed = 0;
        for (const QByteArray& line : lines.readAll().split('\n')) {
            const QJsonObject reply = QJsonDocument::fromJson(line).object();
            if (reply.value("event") == "reply" && reply.value("outcome") == "valid")
                echoed += reply.value("set_aside").toObject().value("echo").toBool();
        }
        QVERIFY2(echoed >= 5, qPrintable(QString::number(echoed))); // the presence query and the four others
    }

    // The adapter pulled out while the monitor polls: it ends at once, saying that the port is gone, and so
    // does its trace.
    void adapterPulledDuringMonitor() {
        QVERIFY(startSim({}));
        const QString trace = config_.path() + "/pulled.jsonl";
        QProcess monitor;
        monitor.start(QStringLiteral(READERCTL_PATH),
                      {"--json", "--trace", trace, "--port", "3", "--line", "19200,e,8,1", "monitor"});
        QVERIFY(monitor.waitForStarted(5000));
        QVERIFY(!monitor.waitForFinished(500)); // polling
        QElapsedTimer pulled;
        pulled.start();
        sim_->write("vanish\n");
        QVERIFY(sim_->waitForBytesWritten(1000));
        QVERIFY(monitor.waitForFinished(5000));
        QVERIFY2(pulled.elapsed() < 1000, qPrintable(QString::number(pulled.elapsed())));
        QCOMPARE(monitor.exitCode(), 1);
        const QJsonObject failure = LastJson(QString::fromUtf8(monitor.readAllStandardOutput()));
        QCOMPARE(failure.value("code").toString(), QStringLiteral("port-gone"));
        QVERIFY2(failure.value("error").toString().endsWith("COM3 is gone (the adapter was removed?)"),
                 qPrintable(failure.value("error").toString()));
        QFile lines(trace);
        QVERIFY(lines.open(QIODevice::ReadOnly));
        const QList<QByteArray> all = lines.readAll().trimmed().split('\n');
        const QList<QByteArray> last = all.mid(all.size() - 2);
        QCOMPARE(QJsonDocument::fromJson(last.value(0)).object().value("outcome").toString(),
                 QStringLiteral("port gone"));
        QCOMPARE(QJsonDocument::fromJson(last.value(1)).object().value("event").toString(), QStringLiteral("close"));
    }

    void failures() {
        // The ports folder decides while it holds a COM entry, so the machine's own serial ports stay out of it:
        // nothing is behind COM5.
        const QString ports = config_.path() + "/VELNO/ports";
        QVERIFY(QDir().mkpath(ports));
        QVERIFY(QFile::link(config_.path() + "/nothing", ports + "/COM1"));
        Run run = readerctl({"--port", "5", "scan"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("Reader Not Find"), qPrintable(run.err));

        run = readerctl({"set", "id", "100"});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains("1 to 99"));
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReaderctlPty)
#include "tst_readerctl_pty.moc"
