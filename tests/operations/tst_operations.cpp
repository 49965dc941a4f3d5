// The operations without the window, over the reader model in virtual time: one timeline per run with the
// frames (and the milliseconds since the frame before), the command pauses and every step reported to the
// observer, in order.

#include "link/link.h"
#include "localisation/language.h"
#include "operations/operations.h"
#include "platform/testing/memory_settings_store.h"
#include "platform/testing/virtual_system.h"
#include "sim/reader_model.h"

#include <QTest>

#include <functional>

using namespace operations;

namespace {

class Recorder final : public Observer {
public:
    QStringList steps;

    void message(const localisation::Reason& message) override { add("message " + localisation::Say(message)); }
    void panel(Panel which, const std::string& text) override {
        static const char* const names[] = {"serial", "version", "id", "keys", "card"};
        add(std::string("panel ") + names[static_cast<int>(which)] + " " + text);
    }
    void select(List list, int index) override {
        static const char* const names[] = {"baud", "parity", "mode", "wiegand", "rs485"};
        add(std::string("select ") + names[static_cast<int>(list)] + " " + std::to_string(index));
    }
    void parityEnabled(bool enabled) override { add(enabled ? "parity button on" : "parity button off"); }
    void scrollTo(Bar bar, int position) override {
        add(std::string(bar == Bar::Id ? "bar id " : "bar keys ") + std::to_string(position));
    }
    void commLamp(Lamp colour) override { add(colour == Lamp::Red ? "lamp red" : "lamp yellow"); }
    void cardLamp(bool lit) override { add(lit ? "card lamp on" : "card lamp off"); }
    void beep(unsigned frequencyHz, unsigned durationMs) override {
        add("beep " + std::to_string(frequencyHz) + " " + std::to_string(durationMs));
    }
    void busy(Busy state) override {
        static const char* const names[] = {"off", "on", "blinking", "polling"};
        add(std::string("busy ") + names[static_cast<int>(state)]);
    }
    void waitCursor(bool on) override { add(on ? "cursor wait" : "cursor default"); }
    void cardReading(bool active) override { add(active ? "reading on" : "reading off"); }
    void cardRead(const protocol::PolledEntry& entry) override {
        add((entry.keypad ? "keys " : "card ") + entry.characters + " " + std::to_string(entry.number));
    }
    void add(const std::string& step) { steps << QString::fromStdString(step); }
};

/// The reader on COM1 and the recorder's timeline: frames with the milliseconds since the previous frame (or
/// since the start), and every pause of 100 ms or more.
struct Run {
    platform::VirtualSystem system;
    readerlink::LinkSetup links{system};
    readerlink::Link link{links};
    ReaderState state;
    platform::MemorySettingsStore store;
    sim::ReaderModel reader;
    Recorder observer;
    Context context{link, state, observer};
    std::uint64_t lastUs = 0;
    std::function<void()> atPump;

    Run() {
        platform::VirtualSystem::PortConfig config;
        config.peer = &reader;
        system.setPort(1, config);
        system.onFrame = [this](const platform::VirtualSystem::FrameRecord& frame) {
            observer.add("+" + std::to_string((frame.atUs - lastUs) / 1000) + " " + frame.command);
            lastUs = frame.atUs;
        };
        system.onSleep = [this](std::uint32_t ms) {
            if (ms >= CommandPauseMs)
                observer.add("pause " + std::to_string(ms));
        };
        links.messagePump = [this] {
            if (atPump)
                atPump();
        };
        localisation::SelectLanguage(localisation::LanguageEnglish);
        state.ComPortNo = 1;
        state.ReaderFound = true;
    }
    /// The adapter is pulled out as the frame of `command` goes out.
    void pullAt(const std::string& command) {
        system.onFrame = [this, command, record = system.onFrame](const platform::VirtualSystem::FrameRecord& frame) {
            record(frame);
            if (frame.command == command)
                system.vanish(1);
        };
    }
};

using Scenario = std::function<void(Run&)>;
using Operation = std::function<Result(Run&)>;

/// A result in one line: how it ended and with which message, where, what was read, why a port did not open.
QString Describe(const Result& result) {
    static const char* const outcomes[] = {"done", "failed", "incomplete", "interrupted"};
    std::string text = std::string(outcomes[static_cast<int>(result.outcome)]) + ", " + MessageText(result) + ", COM" +
                       std::to_string(result.port) + " " + result.line + " (" + std::to_string(result.lineIndex) + ")";
    const std::pair<const char*, const std::optional<std::string>*> fields[] = {
        {"serial", &result.info.serial}, {"id", &result.info.id},         {"version", &result.info.version},
        {"keys", &result.info.keys},     {"parity", &result.info.parity}, {"mode", &result.info.mode}};
    for (const auto& [name, value] : fields) {
        if (*value)
            text += std::string(" ") + name + " " + **value;
    }
    if (result.info.hasParity)
        text += *result.info.hasParity ? " with parity" : " without parity";
    static const char* const errors[] = {"", "not found", "busy", "permission", "other"};
    if (result.openError != platform::OpenError::None)
        text += std::string(", port ") + errors[static_cast<int>(result.openError)];
    if (result.portGone)
        text += ", port gone";
    return QString::fromStdString(text);
}

/// A port held by another program.
void Held(Run& r, int portNo) {
    platform::VirtualSystem::PortConfig held;
    held.heldByOther = true;
    r.system.setPort(portNo, held);
}

} // namespace

Q_DECLARE_METATYPE(Scenario)
Q_DECLARE_METATYPE(Operation)

class TestOperations : public QObject {
    Q_OBJECT

private slots:
    void timelines_data() {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QString>("expected"); // the steps, separated by "; "

        QTest::newRow("scan, the remembered port answers")
            << Scenario([](Run& r) { Scan(r.context, r.store, ScanOptions{}); })
            << QString(
                   "cursor wait; busy blinking; message Scan Reader ....; panel serial S/N : ________; panel version "
                   "VER : __.__-__; panel id __; panel keys __; select baud 5; message Scan COM : #1; +8 H00B; select "
                   "baud 5; panel serial S/N : 20240117; bar id 1; panel id 01; pause 100; +120 H00V; panel version "
                   "VER : 03.20-01; pause 100; +120 H00L; panel keys 04; pause 100; +117 H00M; select parity 0; parity "
                   "button on; pause 100; +116 H00A; select mode 0; select wiegand 0; select rs485 1; message Get "
                   "Reader Info Ok. (COM : #1); busy off; lamp yellow; beep 1000 300; cursor default");
        QTest::newRow("scan of one silent port: three tries, no search")
            << Scenario([](Run& r) {
                   r.system.setPort(2, platform::VirtualSystem::PortConfig{});
                   ScanOptions options;
                   options.onlyPort = 2;
                   Scan(r.context, r.store, options);
               })
            << QString("cursor wait; busy blinking; message Scan Reader ....; panel serial S/N : ________; panel "
                       "version VER : __.__-__; panel id __; panel keys __; select baud 5; message Scan COM : #2; +8 "
                       "H00B; +130 H00B; +130 H00B; select baud 5; message Reader Not Find; busy off; lamp red; beep "
                       "300 300; cursor default");
        QTest::newRow("scan, the adapter pulled at the parity query: the rule for one unanswered")
            << Scenario([](Run& r) {
                   r.pullAt("H00M");
                   Scan(r.context, r.store, ScanOptions{});
               })
            << QString(
                   "cursor wait; busy blinking; message Scan Reader ....; panel serial S/N : ________; panel version "
                   "VER : __.__-__; panel id __; panel keys __; select baud 5; message Scan COM : #1; +8 H00B; select "
                   "baud 5; panel serial S/N : 20240117; bar id 1; panel id 01; pause 100; +120 H00V; panel version "
                   "VER : 03.20-01; pause 100; +120 H00L; panel keys 04; pause 100; +117 H00M; select parity 1; "
                   "parity button off; message Get Reader Info Error. (COM : #1); busy off; lamp red; beep 300 300; "
                   "cursor default");
        QTest::newRow("reader ID, the first set command unanswered")
            << Scenario([](Run& r) {
                   r.reader.faults.muted['C'] = 1;
                   SetReaderId(r.context, "07");
               })
            << QString("cursor wait; busy on; message Set Reader ID = 07; pause 100; +108 H00B; pause 100; +120 "
                       "H00C2024011707; pause 100; +230 H00B; pause 100; +120 H00C2024011707; lamp yellow; message Set "
                       "Reader ID Ok; beep 1000 300; busy off; cursor default");
        QTest::newRow("key count, the adapter pulled as the set command goes out: no second attempt")
            << Scenario([](Run& r) {
                   r.pullAt("H00L06");
                   SetKeyCount(r.context, "06");
               })
            << QString("cursor wait; busy on; message Set Reader Key; pause 100; +108 H00B; pause 100; +120 H00L06; "
                       "lamp red; message Set Reader Key Error; beep 300 300; busy off; cursor default");
        QTest::newRow("baud rate, the line setting follows")
            << Scenario([](Run& r) {
                   SetBaudRate(r.context, 7);
                   r.observer.add("now " + r.state.ComSettings);
               })
            << QString("cursor wait; busy on; message Set Reader BaudRate = 38400,e,8,1; pause 100; +108 H00B; pause "
                       "100; +120 H00E7; lamp yellow; message Set Reader BaudRate Ok; beep 1000 300; busy off; cursor "
                       "default; now 38400,e,8,1");
        QTest::newRow("mode from a list without a selection")
            << Scenario([](Run& r) { SetMode(r.context, 0, -1, 1); })
            << QString("cursor wait; busy on; message Set Reader Mode; lamp red; message Set Reader Mode Error; beep "
                       "300 300; busy off; cursor default");
        QTest::newRow("parity before a scan") << Scenario([](Run& r) {
            r.state.ReaderFound = false;
            SetParity(r.context, 1);
        })
                                              << QString("cursor wait; busy on; lamp red; message Start Scan Reader!; "
                                                         "beep 300 300; busy off; cursor default");
        QTest::newRow("factory default, reader without parity")
            << Scenario([](Run& r) { FactoryDefault(r.context, false); })
            << QString(
                   "cursor wait; busy on; bar id 1; panel id 01; select baud 5; select mode 0; select wiegand 0; "
                   "select rs485 1; bar keys 4; panel keys 04; message Set Default Wiegand 26; pause 100; +108 H00B; "
                   "pause 100; +120 H00C2024011701; "
                   "pause 100; +120 H00A001; pause 100; +117 H00L04; pause 100; pause 100; +217 H00E5; lamp yellow; "
                   "message Set Default Wiegand 26 Ok; beep 1000 300; busy off; cursor default");
        QTest::newRow("card reading stopped from the message pump")
            << Scenario([](Run& r) {
                   r.reader.presentCard("499602D2");
                   r.reader.presentKeys("12#");
                   r.atPump = [&r] {
                       if (r.system.frames().size() == 2)
                           r.state.CardReadActive = false;
                   };
                   ReadCards(r.context);
               })
            << QString("reading on; busy polling; +88 H00F; card 499602D2 1234567890; panel card Card ID : 1234567890  "
                       "499602D2(H); card lamp on; +101 H00F; keys 12# 0; panel card KEY : 12#; card lamp on; busy "
                       "off; lamp yellow; beep 1000 300; card lamp off; panel card Card ID; reading off");
        QTest::newRow("card reading, the port held by another program")
            << Scenario([](Run& r) {
                   platform::VirtualSystem::PortConfig held;
                   held.heldByOther = true;
                   r.system.setPort(1, held);
                   ReadCards(r.context);
               })
            << QString(
                   "reading on; lamp red; message Open COM : 1 Error; beep 300 300; panel card Card ID; reading off");
    }
    void timelines() {
        QFETCH(Scenario, scenario);
        QFETCH(QString, expected);
        Run run;
        scenario(run);
        QCOMPARE(run.observer.steps.join(QStringLiteral("; ")), expected);
        QCOMPARE(run.system.openCount(), 0);
    }

    // What each operation returns: a caller reads its outcome, message, the reader's fields and the port from
    // here, never from what was shown.
    void results_data() {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("expected");
        const auto only = [](int portNo) {
            ScanOptions options;
            options.onlyPort = portNo;
            return options;
        };
        QTest::newRow("scan, complete") << Operation([](Run& r) { return Scan(r.context, r.store, {}); })
                                        << "done, Get Reader Info Ok. (COM : #1), COM1 19200,e,8,1 (5) serial "
                                           "20240117 id 01 version 03.20-01 keys 04 parity 0 mode 001 with parity";
        QTest::newRow("scan, a reader without parity and no mode")
            << Operation([](Run& r) {
                   r.reader.state.paritySupported = false;
                   r.reader.faults.muted['A'] = -1;
                   return Scan(r.context, r.store, {});
               })
            << "incomplete, Get Reader Info Error. (COM : #1), COM1 19200,e,8,1 (5) serial 20240117 id 01 version "
               "03.20-01 keys 04 without parity";
        QTest::newRow("scan of a port without a device")
            << Operation([only](Run& r) { return Scan(r.context, r.store, only(9)); })
            << "failed, Reader Not Find, COM1 19200,e,8,1 (5), port not found";
        QTest::newRow("scan of a port held by another program") << Operation([only](Run& r) {
            Held(r, 1);
            return Scan(r.context, r.store, only(1));
        }) << "failed, Reader Not Find, COM1 19200,e,8,1 (5), port busy";
        QTest::newRow("scan, interrupted") << Operation([](Run& r) {
            ScanOptions options;
            options.interrupted = [&r] { return !r.system.frames().empty(); }; // after the answered try
            return Scan(r.context, r.store, options);
        }) << "interrupted, Get Reader Info Error. (COM : #1), COM1 19200,e,8,1 (5) serial 20240117 id 01";
        QTest::newRow("reader ID") << Operation([](Run& r) { return SetReaderId(r.context, "07"); })
                                   << "done, Set Reader ID Ok, COM1 19200,e,8,1 (5) serial 20240117 id 01";
        QTest::newRow("line settings: the line follows")
            << Operation([](Run& r) { return SetBaudRate(r.context, 7); })
            << "done, Set Reader BaudRate Ok, COM1 38400,e,8,1 (7) serial 20240117 id 01";
        QTest::newRow("key count before a scan") << Operation([](Run& r) {
            r.state.ReaderFound = false;
            return SetKeyCount(r.context, "06");
        }) << "failed, Start Scan Reader!, COM1 19200,e,8,1 (5)";
        QTest::newRow("mode, the port held") << Operation([](Run& r) {
            Held(r, 1);
            return SetMode(r.context, 1, 0, 2);
        }) << "failed, Set Reader Mode Error, COM1 19200,e,8,1 (5), port busy";
        QTest::newRow("parity, the reader silent") << Operation([](Run& r) {
            r.reader.faults.silent = true;
            return SetParity(r.context, 1);
        }) << "failed, Set Parity Mode Error, COM1 19200,e,8,1 (5)";
        QTest::newRow("factory default from another line") << Operation([](Run& r) {
            r.state.SelectLineSetting(9);
            r.reader.state.lineIndex = 9;
            return FactoryDefault(r.context, true);
        }) << "done, Set Default Wiegand 26 Ok, COM1 19200,e,8,1 (5) serial 20240117 id 01";
        QTest::newRow("card reading, the port gone") << Operation([](Run& r) {
            r.state.ComPortNo = 4;
            return ReadCards(r.context);
        }) << "failed, Open COM : 4 Error, COM4 19200,e,8,1 (5), port not found";

        // The adapter pulled out in the middle: the operation ends there and says why.
        QTest::newRow("scan of one port, pulled at the presence query") << Operation([only](Run& r) {
            r.pullAt("H00B");
            return Scan(r.context, r.store, only(1));
        }) << "failed, Reader Not Find, COM1 19200,e,8,1 (5), port gone";
        QTest::newRow("scan, pulled while reading the information")
            << Operation([](Run& r) {
                   r.pullAt("H00L");
                   return Scan(r.context, r.store, {});
               })
            << "incomplete, Get Reader Info Error. (COM : #1), COM1 19200,e,8,1 (5) serial 20240117 id 01 version "
               "03.20-01, port gone";
        QTest::newRow("key count, pulled at the set command") << Operation([](Run& r) {
            r.pullAt("H00L06");
            return SetKeyCount(r.context, "06");
        }) << "failed, Set Reader Key Error, COM1 19200,e,8,1 (5) serial 20240117 id 01, port gone";
        QTest::newRow("factory default, pulled at the parity command") << Operation([](Run& r) {
            r.pullAt("H00M0");
            return FactoryDefault(r.context, true);
        }) << "failed, Set Default Wiegand 26 Error, COM1 19200,e,8,1 (5) serial 20240117 id 01, port gone";
        QTest::newRow("card reading, pulled at a poll") << Operation([](Run& r) {
            r.pullAt("H00F");
            return ReadCards(r.context);
        }) << "failed, Reader Not Find, COM1 19200,e,8,1 (5), port gone";

        // A reader that answers 125 ms late: each reply is still in the input when the next command goes out, and
        // answers none of them (it used to answer the next presence query, and that query's reply the set).
        QTest::newRow("key count, the reader 125 ms late and deaf to the set") << Operation([](Run& r) {
            r.reader.faults.answerDelayUs = 125000;
            r.reader.faults.muted['L'] = -1;
            return SetKeyCount(r.context, "06");
        }) << "failed, Set Reader Key Error, COM1 19200,e,8,1 (5)";
        QTest::newRow("scan of one port, the reader 125 ms late") << Operation([only](Run& r) {
            r.reader.faults.answerDelayUs = 125000;
            return Scan(r.context, r.store, only(1));
        }) << "failed, Reader Not Find, COM1 19200,e,8,1 (5)";

        // A reader whose every reply ends about 140 ms after its command began, past the time-out, each reaching
        // the port even when it is closed and opened again meanwhile, as on a real line: the "H00B" reply that
        // comes while "H00V" is awaited is not the version, nor the "H00V" one the key count.
        QTest::newRow("scan, every reply 140 ms late")
            << Operation([](Run& r) {
                   r.reader.faults.answerDelayUs = 124000;
                   r.reader.faults.repliesOutliveClose = true;
                   return Scan(r.context, r.store, {});
               })
            << "incomplete, Get Reader Info Error. (COM : #1), COM1 19200,e,8,1 (5) serial 20240117 id 01 version "
               "03.20-01 without parity";

        // A zero byte right after a digit field leaves the field whole: the reply counts (the checksum checks).
        QTest::newRow("scan, a zero byte right after the mode")
            << Operation([](Run& r) {
                   r.reader.faults.replyBodyLength = 8;
                   r.reader.faults.zeroBytePosition = 9;
                   return Scan(r.context, r.store, {});
               })
            << QString::fromStdString("done, Get Reader Info Ok. (COM : #1), COM1 19200,e,8,1 (5) serial 202 id 01 "
                                      "version 03. keys 04 parity 0 mode 001 with parity");
    }
    void results() {
        QFETCH(Operation, operation);
        QFETCH(QString, expected);
        Run run;
        QCOMPARE(Describe(operation(run)), expected);
        QCOMPARE(run.system.openCount(), 0);
    }

    // A line that echoes every command, noise before every reply, or both: every operation does what it does on
    // an ideal line, with the same commands.
    void realLines_data() {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<int>("noise");
        const std::pair<const char*, Operation> operations[] = {
            {"scan", [](Run& r) { return Scan(r.context, r.store, {}); }},
            {"reader ID", [](Run& r) { return SetReaderId(r.context, "07"); }},
            {"factory default", [](Run& r) { return FactoryDefault(r.context, true); }},
            {"card reading", [](Run& r) {
                 r.reader.presentCard("499602D2");
                 r.atPump = [&r] {
                     if (r.system.frames().size() == 3)
                         r.state.CardReadActive = false;
                 };
                 return ReadCards(r.context);
             }}};
        for (const auto& [name, operation] : operations) {
            QTest::addRow("%s, echo", name) << operation << true << 0;
            QTest::addRow("%s, noise", name) << operation << false << 8;
            QTest::addRow("%s, echo and noise", name) << operation << true << 3;
        }
    }
    void realLines() {
        QFETCH(Operation, operation);
        QFETCH(bool, echo);
        QFETCH(int, noise);
        Run ideal;
        const Result expected = operation(ideal);
        Run real;
        real.reader.faults.echo = echo;
        real.reader.faults.noiseBytes = static_cast<std::size_t>(noise);
        const Result result = operation(real);
        QCOMPARE(Describe(result), Describe(expected));
        QCOMPARE(real.system.commands(), ideal.system.commands());
        const readerlink::LineCounts& counts = real.link.lineCounts();
        QCOMPARE(counts.echoes, echo ? real.system.frames().size() : 0u);
        QCOMPARE(counts.discarded, std::uint64_t{0});
    }

    void selectLineSetting_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expectedIndex");
        QTest::addColumn<QString>("expectedText");
        QTest::newRow("first") << 0 << 0 << "4800,n,8,1";
        QTest::newRow("38400,e") << 7 << 7 << "38400,e,8,1";
        QTest::newRow("last") << 11 << 11 << "115200,e,8,1";
        QTest::newRow("12") << 12 << 3 << "kept";
        QTest::newRow("-1") << -1 << 3 << "kept";
    }
    void selectLineSetting() {
        QFETCH(int, index);
        QFETCH(int, expectedIndex);
        QFETCH(QString, expectedText);
        ReaderState state;
        state.BaudRateIndex = 3;
        state.ComSettings = "kept";
        state.SelectLineSetting(index);
        QCOMPARE(state.BaudRateIndex, expectedIndex);
        QCOMPARE(state.ComSettings, expectedText.toStdString());
    }

    // Sixteen ports, the reader on the last at line setting 10, nothing remembered. One port after another costs
    // about 380 unanswered tries; every port at once, the eleven line settings that one port must try in turn.
    void scanAllPortsAtOnce_data() {
        QTest::addColumn<bool>("atOnce");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<int>("readerLine");
        QTest::addColumn<int>("minTries");
        QTest::addColumn<int>("maxTries");
        QTest::newRow("in turn, all lines") << false << false << 10 << 375 << 385;
        QTest::newRow("at once, all lines") << true << false << 10 << 10 << 12;
        QTest::newRow("at once, the remembered line") << true << true << 5 << 0 << 2;
        // Its first try missed, the reader answers in the second round through the line settings.
        QTest::newRow("at once, the first try missed") << true << false << 2 << 13 << 16;
    }
    void scanAllPortsAtOnce() {
        QFETCH(bool, atOnce);
        QFETCH(bool, locked);
        QFETCH(int, readerLine);
        QFETCH(int, minTries);
        QFETCH(int, maxTries);
        Run run;
        run.state.ComPortNo = 0;
        run.state.ReaderFound = false;
        for (int portNo = 1; portNo < 16; ++portNo)
            run.system.setPort(portNo, {});
        platform::VirtualSystem::PortConfig config;
        config.peer = &run.reader;
        run.system.setPort(1, {});
        run.system.setPort(16, config);
        run.reader.state.lineIndex = readerLine;
        if (QByteArray(QTest::currentDataTag()).contains("missed"))
            run.reader.faults.muted['B'] = 1;
        ScanOptions options;
        options.locked = locked;
        options.allPortsAtOnce = atOnce;
        const Result result = Scan(run.context, run.store, options);
        QVERIFY2(result.ok(), qPrintable(Describe(result)));
        QCOMPARE(result.port, 16);
        QCOMPARE(result.lineIndex, readerLine);
        QCOMPARE(std::get<std::int32_t>(run.store.values.at("ScanCommNo")), 16);
        QCOMPARE(run.system.openCount(), 0);

        // Found when the information reading began: its first command.
        const auto& frames = run.system.frames();
        const auto info = std::find_if(frames.begin(), frames.end(), [](const auto& f) { return f.command == "H00V"; });
        QVERIFY(info != frames.end());
        constexpr double TryMs = 130; // a try that gets no answer: the writes and the reply time-out
        const double tries = (double(info->atUs) / 1000 - CommandPauseMs) / TryMs;
        qInfo("found after %.1f tries' time (%.2f s)", tries, double(info->atUs) / 1e6);
        QVERIFY2(tries >= minTries && tries <= maxTries, qPrintable(QString::number(tries)));
    }
};

QTEST_APPLESS_MAIN(TestOperations)
#include "tst_operations.moc"
