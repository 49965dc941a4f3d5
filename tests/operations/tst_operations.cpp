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

    void message(const std::string& text) override { add("message " + text); }
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
    void cardRead(const PolledEntry& entry) override {
        add((entry.keypad ? "keys " : "card ") + entry.characters + " " + std::to_string(entry.number));
    }
    void add(const std::string& step) { steps << QString::fromStdString(step); }
};

/// The reader on COM1 and the recorder's timeline: frames with the milliseconds since the previous frame (or
/// since the start), and every pause of 100 ms or more.
struct Run {
    platform::VirtualSystem system;
    platform::ScopedVirtualSystem installed{system};
    platform::MemorySettingsStore store;
    sim::ReaderModel reader;
    Recorder observer;
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
        SetMessagePump([this] {
            if (atPump)
                atPump();
        });
        SelectLanguage(LanguageEnglish);
        ApplySettings(LoadedSettings{});
        ComPortNo = 1;
        ReaderFound = true;
        CardReadActive = false;
    }
    ~Run() { SetMessagePump({}); }
};

using Scenario = std::function<void(Run&)>;

} // namespace

Q_DECLARE_METATYPE(Scenario)

class TestOperations : public QObject {
    Q_OBJECT

private slots:
    void timelines_data() {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QString>("expected"); // the steps, separated by "; "

        QTest::newRow("scan, the remembered port answers")
            << Scenario([](Run& r) { Scan(r.observer, r.store, ScanOptions{}); })
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
                   Scan(r.observer, r.store, options);
               })
            << QString("cursor wait; busy blinking; message Scan Reader ....; panel serial S/N : ________; panel "
                       "version VER : __.__-__; panel id __; panel keys __; select baud 5; message Scan COM : #2; +8 "
                       "H00B; +130 H00B; +130 H00B; select baud 5; message Reader Not Find; busy off; lamp red; beep "
                       "300 300; cursor default");
        QTest::newRow("reader ID, the first set command unanswered")
            << Scenario([](Run& r) {
                   r.reader.faults.muted['C'] = 1;
                   SetReaderId(r.observer, "07");
               })
            << QString("cursor wait; busy on; message Set Reader ID = 07; pause 100; +108 H00B; pause 100; +120 "
                       "H00C2024011707; pause 100; +230 H00B; pause 100; +120 H00C2024011707; lamp yellow; message Set "
                       "Reader ID Ok; beep 1000 300; busy off; cursor default");
        QTest::newRow("baud rate, the line setting follows")
            << Scenario([](Run& r) {
                   SetBaudRate(r.observer, 7);
                   r.observer.add("now " + ComSettings);
               })
            << QString("cursor wait; busy on; message Set Reader BaudRate = 38400,e,8,1; pause 100; +108 H00B; pause "
                       "100; +120 H00E7; lamp yellow; message Set Reader BaudRate Ok; beep 1000 300; busy off; cursor "
                       "default; now 38400,e,8,1");
        QTest::newRow("mode from a list without a selection")
            << Scenario([](Run& r) { SetMode(r.observer, 0, -1, 1); })
            << QString("cursor wait; busy on; message Set Reader Mode; lamp red; message Set Reader Mode Error; beep "
                       "300 300; busy off; cursor default");
        QTest::newRow("parity before a scan") << Scenario([](Run& r) {
            ReaderFound = false;
            SetParity(r.observer, 1);
        })
                                              << QString("cursor wait; busy on; lamp red; message Start Scan Reader!; "
                                                         "beep 300 300; busy off; cursor default");
        QTest::newRow("factory default, reader without parity")
            << Scenario([](Run& r) { FactoryDefault(r.observer, false); })
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
                           StopCardReading();
                   };
                   ReadCards(r.observer);
               })
            << QString("reading on; busy polling; +88 H00F; card 499602D2 1234567890; panel card Card ID : 1234567890  "
                       "499602D2(H); card lamp on; +101 H00F; keys 12# 0; panel card KEY : 12#; card lamp on; busy "
                       "off; lamp yellow; beep 1000 300; card lamp off; panel card Card ID; reading off");
        QTest::newRow("card reading, the port held by another program")
            << Scenario([](Run& r) {
                   platform::VirtualSystem::PortConfig held;
                   held.heldByOther = true;
                   r.system.setPort(1, held);
                   ReadCards(r.observer);
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
};

QTEST_APPLESS_MAIN(TestOperations)
#include "tst_operations.moc"
