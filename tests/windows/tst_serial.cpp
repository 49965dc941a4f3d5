// The Win32 serial back end, and the link standing on it, over the pseudo-terminals that pty_reader.py serves
// under wine: COM3 and COM10 answer "H00B" (serial number 202400 and the port number) and "?BAUD" (the baud
// rate the pty sees), COM4 never answers, COM5 can be unplugged by sending it "?HANGUP", COM6 answers after
// echoing every byte it hears.
// READERCONFIG_WINE_TESTS says that this set-up is there (scripts/check.d/30-windows.sh); without it the
// program skips. Nothing here relies on wine's own leniencies: no second open, no parity.

#include "check.h"

#include "link/link.h"
#include "platform/com_ports.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

using platform::CommTimeouts;
using platform::InvalidPort;
using platform::OpenError;
using platform::PortHandle;
using platform::ReadResult;

namespace {

constexpr int AnsweringPort = 3;
constexpr int TwoDigitPort = 10;
constexpr int SilentPort = 4;
constexpr int UnpluggablePort = 5;
constexpr int EchoingPort = 6;

platform::System& Native() {
    return platform::NativeSystem();
}

/// The link the tests share, on the native system.
readerlink::Link& Port() {
    static readerlink::LinkSetup setup(Native());
    static readerlink::Link link(setup);
    return link;
}

std::string SerialOf(int portNo) {
    return "202400" + std::string(portNo < 10 ? "0" : "") + std::to_string(portNo);
}

/// The baud rate the pty has now, asked over the line itself; 0 when nothing sensible came back.
unsigned long BaudOnPty() {
    const std::string reply = Port().SendCommand("?BAUD").text;
    if (reply.size() < 6 || reply[1] != '?')
        return 0;
    return std::strtoul(reply.substr(2, reply.size() - 5).c_str(), nullptr, 10);
}

/// The native system, except that each port it opens starts with `found` time-outs (a real port keeps what
/// the last program set; under wine every handle starts at zero) and the port's time-outs are read back
/// just before it closes.
class TimeoutsSpy final : public platform::System {
public:
    CommTimeouts found{21, 22, 23, 24, 25};
    CommTimeouts atClose{};
    bool readAtClose = false;

    PortHandle openPort(int portNo, OpenError* error) override {
        const PortHandle port = Native().openPort(portNo, error);
        if (port != InvalidPort)
            Native().setTimeouts(port, found);
        return port;
    }
    void closePort(PortHandle port) override {
        readAtClose = Native().getTimeouts(port, atClose);
        Native().closePort(port);
    }
    bool getTimeouts(PortHandle port, CommTimeouts& out) override { return Native().getTimeouts(port, out); }
    bool setTimeouts(PortHandle port, const CommTimeouts& t) override { return Native().setTimeouts(port, t); }
    bool applyLineSettings(PortHandle port, const std::string& text) override {
        return Native().applyLineSettings(port, text);
    }
    std::size_t write(PortHandle port, const std::uint8_t* data, std::size_t count) override {
        return Native().write(port, data, count);
    }
    ReadResult readByte(PortHandle port, std::uint8_t& byte) override { return Native().readByte(port, byte); }
    std::size_t readWaiting(PortHandle port, std::uint8_t* buffer, std::size_t size) override {
        return Native().readWaiting(port, buffer, size);
    }
    std::uint32_t clockMs() override { return Native().clockMs(); }
    void sleepMs(std::uint32_t ms) override { Native().sleepMs(ms); }
    void beep(unsigned frequencyHz, unsigned durationMs) override { Native().beep(frequencyHz, durationMs); }
};

} // namespace

TEST(openPort) {
    const struct {
        const char* name;
        int portNo;
        bool opens;
        OpenError error;
    } rows[] = {
        {"COM3", AnsweringPort, true, OpenError::None},     {"COM10, two digits", TwoDigitPort, true, OpenError::None},
        {"silent COM4", SilentPort, true, OpenError::None}, {"COM42, not mapped", 42, false, OpenError::NotFound},
        {"port 0", 0, false, OpenError::NotFound},          {"negative port", -3, false, OpenError::NotFound},
    };
    for (const auto& row : rows) {
        check::Row r(row.name);
        OpenError error = OpenError::Other;
        const PortHandle port = Native().openPort(row.portNo, &error);
        CHECK_EQ(port != InvalidPort, row.opens);
        CHECK_EQ(error, row.error);
        if (port == InvalidPort)
            continue;
        Native().closePort(port);
        // The close must give the device back.
        const PortHandle again = Native().openPort(row.portNo);
        CHECK(again != InvalidPort);
        Native().closePort(again);
    }
}

TEST(timeoutsRoundTrip) {
    const struct {
        const char* name;
        CommTimeouts timeouts;
    } rows[] = {
        {"each field its own value", {11, 12, 13, 14, 15}},
        {"the link's", readerlink::LinkTimeouts},
        {"largest interval, return at once", {0xFFFFFFFFu, 0, 0, 0, 0}},
        {"all zero", {0, 0, 0, 0, 0}},
    };
    const PortHandle port = Native().openPort(AnsweringPort);
    if (!CHECK(port != InvalidPort))
        return;
    for (const auto& row : rows) {
        check::Row r(row.name);
        CHECK(Native().setTimeouts(port, row.timeouts));
        CommTimeouts back{7, 7, 7, 7, 7};
        CHECK(Native().getTimeouts(port, back));
        CHECK_EQ(back.ReadIntervalTimeout, row.timeouts.ReadIntervalTimeout);
        CHECK_EQ(back.ReadTotalTimeoutMultiplier, row.timeouts.ReadTotalTimeoutMultiplier);
        CHECK_EQ(back.ReadTotalTimeoutConstant, row.timeouts.ReadTotalTimeoutConstant);
        CHECK_EQ(back.WriteTotalTimeoutMultiplier, row.timeouts.WriteTotalTimeoutMultiplier);
        CHECK_EQ(back.WriteTotalTimeoutConstant, row.timeouts.WriteTotalTimeoutConstant);
    }
    Native().closePort(port);
}

TEST(linkPutsTimeoutsBack) {
    TimeoutsSpy spy;
    readerlink::LinkSetup setup(spy);
    readerlink::Link link(setup);
    if (CHECK(link.OpenComPort(AnsweringPort, "19200,e,8,1"))) {
        CommTimeouts during{};
        CHECK(Native().getTimeouts(link.handle(), during));
        CHECK(during == readerlink::LinkTimeouts);
        link.CloseComPort();
        CHECK(spy.readAtClose);
        CHECK(spy.atClose == spy.found);
    }
}

TEST(lineSettings) {
    // Only the baud rate: a pty keeps no parity bit, so an even-parity text cannot be checked here, and wine
    // may refuse its line state after the baud rate is set, so no result is asserted for those either.
    const struct {
        const char* text;
        unsigned long baud;
    } rows[] = {
        {"4800,n,8,1", 4800},   {"9600,e,8,1", 9600},   {"19200,e,8,1", 19200},
        {"38400,n,8,1", 38400}, {"57600,e,8,1", 57600}, {"115200,n,8,1", 115200},
    };
    for (const auto& row : rows) {
        check::Row r(row.text);
        if (!CHECK(Port().OpenComPort(AnsweringPort, row.text)))
            continue;
        CHECK_EQ(BaudOnPty(), row.baud);
        if (std::string(row.text).find(",n,") != std::string::npos)
            CHECK(Native().applyLineSettings(Port().handle(), row.text));
        Port().CloseComPort();
    }

    // A text the platform refuses leaves the line as it was.
    const char* refused[] = {"garbage", "19200,x,8,1", "fast,n,8,1"};
    for (const char* text : refused) {
        check::Row r(text);
        if (!CHECK(Port().OpenComPort(AnsweringPort, "4800,n,8,1")))
            continue;
        CHECK(!Native().applyLineSettings(Port().handle(), text));
        CHECK_EQ(BaudOnPty(), 4800ul);
        Port().CloseComPort();
        // The link opens all the same: the line keeps what it had.
        if (CHECK(Port().OpenComPort(AnsweringPort, text))) {
            CHECK_EQ(BaudOnPty(), 4800ul);
            Port().CloseComPort();
        }
    }
}

TEST(presenceQuery) {
    const int ports[] = {AnsweringPort, TwoDigitPort};
    for (int portNo : ports) {
        check::Row r("COM" + std::to_string(portNo));
        if (!CHECK(Port().OpenComPort(portNo, "19200,e,8,1")))
            continue;
        // Several in a row: nothing of one reply may be left for the next.
        for (int attempt = 0; attempt < 3; ++attempt) {
            const readerlink::Reply reply = Port().SendCommand("H00B");
            CHECK(reply.valid());
            CHECK_EQ(reply.received.size(), std::size_t{16});
            CHECK_EQ(reply.text.size(), std::size_t{16});
            if (reply.text.size() == 16) {
                CHECK_EQ(reply.text.front(), '\n');
                CHECK_EQ(reply.text.back(), '\r');
                CHECK_EQ(reply.text.substr(5, 8), SerialOf(portNo)); // the device asked, not another one
            }
        }
        Port().CloseComPort();
    }
}

TEST(silentReader) {
    if (!CHECK(Port().OpenComPort(SilentPort, "19200,e,8,1")))
        return;
    std::uint8_t received = 0;
    CHECK_EQ(Native().readByte(Port().handle(), received), ReadResult::Nothing);

    const std::string previous = Port().replyText();
    const std::uint32_t start = Native().clockMs();
    CHECK(!Port().SendCommand("H00B"));
    const std::uint32_t took = Native().clockMs() - start;
    // Sending takes 9 ms of pauses, then the wait runs out after more than 120 ms; an upper bound would
    // only measure the machine.
    CHECK(took >= 9 + readerlink::ReplyTimeoutMs + 1);
    CHECK_EQ(Port().rxCount(), 0);
    CHECK_EQ(Port().replyText(), previous);
    std::printf("    silent reader: SendCommand gave up after %u ms\n", took);
    Port().CloseComPort();
}

TEST(echoingLine) {
    if (!CHECK(Port().OpenComPort(EchoingPort, "19200,e,8,1")))
        return;
    // The echo, then the reply, on every exchange.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const readerlink::Reply reply = Port().SendCommand("H00B");
        CHECK(reply.valid());
        CHECK(reply.echoed);
        CHECK_EQ(reply.setAside, std::string("\tH00B03\r"));
        CHECK_EQ(reply.text.size(), std::size_t{16});
        if (reply.text.size() == 16)
            CHECK_EQ(reply.text.substr(5, 8), SerialOf(EchoingPort));
    }
    // A frame written past the link leaves its echo and reply in the input: the next command throws them away
    // before it goes out, and gets its own reply.
    const std::uint8_t frame[] = {'\t', 'H', '0', '0', 'B', '0', '3', '\r'};
    CHECK_EQ(Native().write(Port().handle(), frame, sizeof frame), sizeof frame);
    Native().sleepMs(100);
    const readerlink::Reply reply = Port().SendCommand("H00B");
    CHECK(reply.valid());
    CHECK_EQ(reply.discarded.size(), sizeof frame + 16);
    CHECK_EQ(reply.setAside, std::string("\tH00B03\r"));
    Port().CloseComPort();
}

TEST(unpluggedAdapter) {
    if (!CHECK(Port().OpenComPort(UnpluggablePort, "19200,e,8,1")))
        return;
    CHECK(Port().SendCommand("H00B").valid());
    const readerlink::ReplyOutcome hangUp = Port().SendCommand("?HANGUP").outcome;
    // The device behind the handle is gone: a read fails, the exchange ends at once and the link lets the port
    // go (if it was not the hang-up's own exchange that found it gone).
    const std::uint32_t start = Native().clockMs();
    CHECK_EQ(Port().SendCommand("H00B").outcome, readerlink::ReplyOutcome::PortGone);
    const std::uint32_t took = Native().clockMs() - start;
    CHECK(Port().portGone() && !Port().isOpen());
    std::printf("    unplugged adapter: the hang-up's exchange ended as outcome %d, the next command after %u ms\n",
                static_cast<int>(hangUp), took);

    // A new device at the same port number opens and answers.
    if (CHECK(Port().OpenComPort(UnpluggablePort, "19200,e,8,1"))) {
        const readerlink::Reply reply = Port().SendCommand("H00B");
        if (CHECK(reply.valid()) && CHECK(reply.text.size() == 16))
            CHECK_EQ(reply.text.substr(5, 8), SerialOf(UnpluggablePort));
        Port().CloseComPort();
    }
}

TEST(handlesNotOpen) {
    PortHandle closed = Native().openPort(AnsweringPort);
    CHECK(closed != InvalidPort);
    Native().closePort(closed);
    const struct {
        const char* name;
        PortHandle port;
    } rows[] = {{"InvalidPort", InvalidPort}, {"closed", closed}, {"never given out", 0x1234}};
    for (const auto& row : rows) {
        check::Row r(row.name);
        CommTimeouts timeouts{};
        std::uint8_t data = 0;
        CHECK(!Native().getTimeouts(row.port, timeouts));
        CHECK(!Native().setTimeouts(row.port, readerlink::LinkTimeouts));
        CHECK(!Native().applyLineSettings(row.port, "19200,e,8,1"));
        CHECK_EQ(Native().write(row.port, &data, 1), std::size_t{0});
        CHECK_EQ(Native().readByte(row.port, data), ReadResult::Error);
        Native().closePort(row.port);
    }
}

// The port list shows what each mapped number stands for; Windows numbers its ports itself, so --pin is refused.
TEST(portList) {
    const std::vector<platform::PortInfo> ports = platform::DescribeComPorts();
    if (!CHECK_EQ(ports.size(), std::size_t{16}))
        return;
    for (const int portNo : {AnsweringPort, TwoDigitPort}) {
        check::Row row("COM" + std::to_string(portNo));
        const platform::PortInfo& port = ports[static_cast<std::size_t>(portNo - 1)];
        CHECK_EQ(port.path, "COM" + std::to_string(portNo));
        CHECK(!port.target.empty());
    }
    const std::vector<platform::PinOutcome> pins = platform::PinComPorts(3, "usb-Example-if00");
    CHECK(pins.size() == 1 && pins[0].error == platform::PinError::SystemNumbers);
}

int main(int argc, char** argv) {
    if (!std::getenv("READERCONFIG_WINE_TESTS"))
        check::Skip("needs the pty ports of scripts/check.d/30-windows.sh (READERCONFIG_WINE_TESTS)");
    return check::RunAll(argc, argv);
}
