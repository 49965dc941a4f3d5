// What readerctl must never do: report what did not happen. Each row is a reader, a line or a file that behaves
// as real ones do (a line setting acknowledged and not taken, a store that cannot be written, a reader without
// keycode parity, a record on a full disk), and what readerctl must say about it.

#include "ctl_fixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

/// The rows of a record file, without the header when `header` is false.
QStringList Rows(const QString& path, bool header = false) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList rows = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    if (!header && !rows.isEmpty())
        rows.removeFirst();
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestReaderctlFaults : public QObject {
    Q_OBJECT

private slots:
    // Each fault as readerctl meets it: the exit status, the code a script reads, and what the words say.
    void truth_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");  // empty: ok
        QTest::addColumn<QString>("says");  // in the error, or in the output when ok
        QTest::addColumn<int>("savedLine"); // ScanBaudRateNo afterwards; -1: not checked
        QTest::addColumn<QString>("then");  // a command that must go well afterwards

        const auto remembered = [](Ctl& c) { c.remember(3, 5, "19200,e,8,1"); };
        QTest::newRow("a line setting acknowledged and not taken: saved where the reader answers")
            << Setup([=](Ctl& c) {
                   remembered(c);
                   c.reader.faults.ignoredSets = "E";
               })
            << "--json set line 38400,e,8,1" << 1 << "verify-mismatch"
            << "still at 19200,e,8,1" << 5 << "--no-verify set keys 5";
        QTest::newRow("a line setting taken and not saved: named, so that it can be passed")
            << Setup([=](Ctl& c) {
                   remembered(c);
                   c.store.refuseWrites = true;
               })
            << "--json set line 38400,e,8,1" << 1 << "not-saved"
            << "--port 3 --line 38400,e,8,1" << 5 << QString();
        QTest::newRow("default on a reader without keycode parity") << Setup([=](Ctl& c) {
            remembered(c);
            c.reader.state.paritySupported = false;
        }) << "--json default" << 0 << ""
                                                                    << "\"parity\":null" << 5 << QString();
        QTest::newRow("the remembered port held by another program") << Setup([=](Ctl& c) {
            remembered(c);
            platform::VirtualSystem::PortConfig config;
            config.heldByOther = true;
            c.system.setPort(3, config);
        }) << "--json scan" << 1 << "port-busy"
                                                                     << "COM3 is in use by another program" << -1
                                                                     << QString();
        QTest::newRow("the reader stops answering during the read-back")
            << Setup([=](Ctl& c) {
                   remembered(c);
                   c.system.onFrame = [&c](const platform::VirtualSystem::FrameRecord& frame) {
                       if (frame.command == "H00V")
                           c.reader.faults.silent = true;
                   };
               })
            << "--json set keys 6" << 1 << "incomplete"
            << "reading back: the reader did not give its keys: no reply from COM3 at 19200,e,8,1" << -1 << QString();
        QTest::newRow("a late reply is not the answer to the next command")
            << Setup([=](Ctl& c) {
                   remembered(c);
                   c.reader.faults.answerDelayUs = 125000;
                   c.reader.faults.muted['L'] = -1;
               })
            << "--json --no-verify --port 3 set keys 6" << 1 << "no-reply"
            << "Set Reader Key Error: no reply from COM3 at 19200,e,8,1" << -1 << QString();
        QTest::newRow("the adapter pulled during the read-back")
            << Setup([=](Ctl& c) {
                   remembered(c);
                   c.system.onFrame = [&c](const platform::VirtualSystem::FrameRecord& frame) {
                       if (frame.command == "H00V")
                           c.system.vanish(3);
                   };
               })
            << "--json set keys 6" << 1 << "port-gone"
            << "reading back: COM3 is gone (the adapter was removed?)" << -1 << QString();
        QTest::newRow("no port can be opened at all")
            << Setup([](Ctl& c) { c.system.setPort(3, {false}); }) << "--json scan" << 1 << "no-device"
            << "no serial port could be opened; see 'readerctl ports'" << -1 << QString();
        QTest::newRow("the remembered port is silent: the reader is searched for")
            << Setup([=](Ctl& c) {
                   c.remember(4, 5, "19200,e,8,1");
                   c.system.setPort(4, {});
               })
            << "--json set id 4" << 0 << ""
            << "\"read\":{\"serial\":\"20240117\",\"version\":\"03.20-01\",\"id\":\"04\"" << -1 << QString();
        QTest::newRow("a scan that missed the key count is not a whole reading")
            << Setup([](Ctl& c) { c.reader.faults.muted['L'] = -1; }) << "--json scan" << 1 << "incomplete"
            << "did not give all of its information" << -1 << QString();
        QTest::newRow("the window's messages and readerctl's own lines in the language asked for")
            << Setup(remembered) << "--language big5 set id 12" << 0 << ""
            << QString::fromUtf8("設定讀卡機編號完成\n在 COM3，19200,e,8,1 回讀：編號 12，與設定相同") << -1
            << QString();
        QTest::newRow("a usage error in the language asked for")
            << Setup(remembered) << "--language gb set keys 21" << 2 << "usage"
            << QString::fromUtf8("readerctl：keys 21: 0 到 20；请看 'readerctl --help'") << -1 << QString();
        QTest::newRow("a --json after -- is a word, and the refusal of it is in words")
            << Setup(remembered) << "scan -- --json" << 2 << "usage"
            << "readerctl: scan takes no arguments; '--json' is one too many" << -1 << QString();
    }
    void truth() {
        QFETCH(Setup, setup);
        QFETCH(QString, line);
        QFETCH(int, status);
        QFETCH(QString, code);
        QFETCH(QString, says);
        QFETCH(int, savedLine);
        Ctl ctl;
        setup(ctl);
        QCOMPARE(ctl.run(line), status);
        if (line.section(" -- ", 0, 0).contains("--json")) {
            QCOMPARE(ctl.json().value("ok").toBool(), code.isEmpty());
            QCOMPARE(ctl.json().value("code").toString(), code);
        } else {
            QVERIFY2(ctl.json().isEmpty(), qPrintable(ctl.output()));
        }
        const QString text = code.isEmpty() ? ctl.output() : ctl.errors();
        QVERIFY2(text.contains(says), qPrintable(text));
        if (savedLine >= 0)
            QCOMPARE(ctl.saved("ScanBaudRateNo"), savedLine);
        QFETCH(QString, then);
        if (!then.isEmpty())
            QCOMPARE(ctl.run(then), 0); // the reader is found where it was saved
        QCOMPARE(ctl.system.openCount(), 0);
    }

    // A record file as readerctl finds it: one that cannot take its rows is refused before any port is opened;
    // one an earlier run left is continued, a last line without its end mended, the columns before the door kept.
    void recordFile_data() {
        QTest::addColumn<QString>("file"); // in a fresh folder; "-" the folder itself
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("says"); // refused: in the error; continued: how the new row begins|ends
        QTest::newRow("a folder") << "-" << QByteArray() << "it is a folder";
        QTest::newRow("no such folder") << "missing/site.csv" << QByteArray() << "no such folder";
        QTest::newRow("another record's columns")
            << "site.csv" << QByteArray("door,time,port,note\r\n") << "it lacks line, serial";
#ifndef _WIN32
        QTest::newRow("a full disk") << "/dev/full" << QByteArray()
                                     << "the record /dev/full cannot be written to: the disk is full";
        QTest::newRow("permission denied") << "locked.csv" << QByteArray("x") << "permission denied";
#endif
        QTest::newRow("last line without its end")
            << "site.csv"
            << QByteArray("door,time,port,line,serial,firmware,id,keys,mode,parity,outcome,code\r\n"
                          "A,t,COM3,\"19200,e,8,1\",00000001,03.20-01,01,04,001,0,done,")
            << ",|,01,05,001,0,done,";
        QTest::newRow("the columns before the door")
            << "site.csv" << QByteArray("time,port,line,serial,firmware,id,keys,parity,mode,outcome,code\r\n")
            << "20|,01,05,0,001,done,";
    }
    void recordFile() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, says);
        QTemporaryDir folder;
        QString path = file == "-" ? folder.path() : file.startsWith('/') ? file : folder.filePath(file);
        if (!content.isEmpty()) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }
#ifndef _WIN32
        if (file == "locked.csv") {
            if (geteuid() == 0)
                QSKIP("root may write any file");
            QFile::setPermissions(path, QFileDevice::ReadOwner);
        }
#endif
        Ctl ctl;
        ctl.remember(3, 5, "19200,e,8,1");
        const int status = ctl.run("--json --record " + path + " set keys 5");
        if (!says.contains('|')) {
            QCOMPARE(status, 2);
            QVERIFY(ctl.system.opens().empty());
            QCOMPARE(ctl.json().value("code").toString(), QStringLiteral("usage"));
            QVERIFY2(ctl.json().value("error").toString().contains(says),
                     qPrintable(ctl.json().value("error").toString()));
            return;
        }
        QCOMPARE(status, 0);
        const QStringList rows = Rows(path);
        QVERIFY2(rows.last().startsWith(says.section('|', 0, 0)) && rows.last().endsWith(says.section('|', 1)),
                 qPrintable(rows.join('|')));
        QCOMPARE(rows.size(), content.count('\n') + (content.endsWith('\n') ? 0 : 1));
    }

#ifndef _WIN32
    // A record whose disk fills after the first reader: the run ends after the reader under way, says so with
    // its summary, and fails.
    void recordFailsLater() {
        QTemporaryDir folder;
        const QString path = folder.filePath("site.csv");
        Ctl ctl;
        sim::ReaderModel first, second;
        second.state.serial = "20240118";
        Arrivals site{ctl, {&first, &second}};
        site.watch();
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{540, limit.rlim_max};
        signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const int status = ctl.run("--json --repeat --record " + path + " set id 11+");
        setrlimit(RLIMIT_FSIZE, &limit);
        QCOMPARE(status, 1);
        QCOMPARE(second.state.id, std::string("12")); // the reader under way was finished
        const QJsonObject summary = ctl.json();
        QCOMPARE(summary.value("code").toString(), QStringLiteral("not-saved"));
        // The second reader's row did not reach the record: it is not done.
        QCOMPARE(summary.value("done").toInt(), 1);
        // The first reader's row is whole, and nothing of the second's is left: the record stays CSV.
        const QStringList rows = Rows(path);
        QVERIFY2(rows.size() >= 2 && rows[1].endsWith(",11,04,001,0,done,," + QString(11, ',')),
                 qPrintable(rows.join('\n')));
        QVERIFY2(!rows.last().contains(",done,"), qPrintable(rows.last()));
        for (const QString& row : rows)
            QCOMPARE(row.count(','), rows.first().count(','));
        QVERIFY2(summary.value("error").toString().startsWith("reader 20240118 was not recorded: the record " + path +
                                                              " cannot be written to: the file is too large; it "
                                                              "keeps its settings, ID 12"),
                 qPrintable(summary.value("error").toString()));
    }
#endif

    // One reader after another: an ID the reader acknowledged is used up whatever failed after it; a reader
    // swapped for another at once is taken; one done already is named; the IDs running out end the run.
    void site_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<std::uint32_t>("gapMs");
        QTest::addColumn<bool>("firstHasParity");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("ids");  // of the two readers afterwards
        QTest::addColumn<QString>("rows"); // outcome and code of each row
        QTest::newRow("an ID taken by a reader that failed after it")
            << "--repeat --record R set id 17+ parity 1" << std::uint32_t(2000) << false << 0 << "17 18"
            << "17 under-way |17 failed no-reply|18 under-way |18 done ";
        QTest::newRow("swapped within a second")
            << "--repeat --record R set id 11+ keys 6" << std::uint32_t(0) << true << 0 << "11 12"
            << "11 under-way |11 done |12 under-way |12 done ";
        QTest::newRow("the IDs run out") << "--repeat --record R set id 99+" << std::uint32_t(2000) << true << 1
                                         << "99 01"
                                         << "99 under-way |99 done |01 refused no-id-left";
    }
    void site() {
        QFETCH(QString, line);
        QFETCH(std::uint32_t, gapMs);
        QFETCH(bool, firstHasParity);
        QTemporaryDir folder;
        const QString path = folder.filePath("site.csv");
        Ctl ctl;
        sim::ReaderModel first, second;
        first.state.paritySupported = firstHasParity;
        second.state.serial = "20240118";
        Arrivals site{ctl, {&first, &second}, gapMs};
        site.watch();
        QTEST(ctl.run(line.replace(" R ", " " + path + " ")), "status");
        QTEST(QString::fromStdString(first.state.id + " " + second.state.id), "ids");
        QStringList outcomes;
        for (const QString& row : Rows(path)) {
            const QStringList fields = row.split(',');
            outcomes << fields[9] + " " + fields[13] + " " + fields[14]; // the line's quoted commas split too
        }
        QTEST(outcomes.join('|'), "rows");
        QVERIFY(ctl.output().contains("Readers done:"));
    }

    // A reader done in this run and plugged in again is named; nothing is sent to it.
    void doneAlready() {
        Ctl ctl;
        int plugs = 0;
        // Time goes on in sleeps while the reader is polled, and in frames while one is waited for.
        const auto plug = [&] {
            if (ctl.reader.state.id == "11" && ctl.system.nowMs() > 20000 && plugs == 0) {
                ++plugs;
                ctl.system.setPort(3, {});
            } else if (plugs == 1 && ctl.system.nowMs() > 30000) {
                ++plugs;
                ctl.readerOn(3);
            }
        };
        ctl.system.onSleep = [&](std::uint32_t) { plug(); };
        ctl.system.onFrame = [&](const platform::VirtualSystem::FrameRecord&) { plug(); };
        ctl.interrupted = [&] { return plugs == 2 && ctl.system.nowMs() > 40000; };
        QCOMPARE(ctl.run("--repeat set id 11+"), 0);
        QVERIFY2(ctl.output().contains("Reader 20240117 is done already, ID 11"), qPrintable(ctl.output()));
        const std::vector<std::string> commands = ctl.system.commands();
        QCOMPARE(std::count(commands.begin(), commands.end(), "H00C2024011711"), 1);
        QVERIFY(ctl.output().contains("Remove reader 20240117"));
    }

    // Nothing present and Ctrl-C during the scan: no row for a reader that was never found.
    void noRowWithoutAReader_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("status");
        QTest::newRow("scan") << "scan" << 1;
        QTest::newRow("one reader after another") << "--repeat set keys 4" << 0;
    }
    void noRowWithoutAReader() {
        QFETCH(QString, line);
        QTemporaryDir folder;
        const QString path = folder.filePath("site.csv");
        Ctl ctl;
        ctl.system.setPort(3, {});
        ctl.interrupted = [&] { return !ctl.system.frames().empty(); };
        QTEST(ctl.run("--record " + path + " " + line), "status");
        QCOMPARE(Rows(path, true).size(), 1);
    }

    // Without a sound device the terminal's bell rings for each reader.
    void bellWithoutSound() {
        Ctl ctl;
        ctl.system.beepsHeard = false;
        ctl.system.onSleep = [&](std::uint32_t) {
            if (ctl.reader.state.keyCount == "06")
                ctl.system.setPort(3, {});
        };
        ctl.interrupted = [&] { return ctl.system.nowMs() > 10000; };
        QCOMPARE(ctl.run("--repeat set keys 6"), 0);
        QCOMPARE(ctl.bells, 1);
    }
};

QTEST_APPLESS_MAIN(TestReaderctlFaults)
#include "tst_readerctl_faults.moc"
