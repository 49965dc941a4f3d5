#include "protocol/protocol.h"
#include "reader_sim.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace sim {

namespace {

bool Number(const char* text, unsigned long long max, unsigned long long& out) {
    if (!text || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > max)
        return false;
    out = value;
    return true;
}

bool Seconds(const char* text, double& out) {
    if (!text || !*text)
        return false;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (*end != '\0' || !std::isfinite(value) || value < 0.001 || value > 86400)
        return false;
    out = value;
    return true;
}

/// Printable ASCII of exactly `length` characters (0: 1 to 64), so that a field can still hold non-digits.
bool Field(const char* text, std::size_t length) {
    if (!text)
        return false;
    const std::string_view view(text);
    if (length ? view.size() != length : (view.empty() || view.size() > 64))
        return false;
    for (char c : view)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

} // namespace

std::string SimHelpText() {
    return R"(Usage: reader-sim [options]

Serves a simulated QUVIN4 keypad card reader on a pseudo-terminal. The tool opens the pty's slave as if it
were a serial device; point a COM number at it with --com.

Where:
  --com N              make $XDG_CONFIG_HOME/VELNO/ports/COMN (default ~/.config/VELNO/ports) a symlink to
                       the slave (1..16); removed at exit. While that folder holds any COM entry, those
                       entries alone are the tool's ports.
  --link PATH          a symlink to the slave at PATH (may be repeated); removed at exit
  --print-path         print the slave's path on standard output first thing
  --log                print every frame heard and sent, with its time in seconds, on standard error
                       ('>' host to reader, '<' reader to host, '!' a remark)

Reader:
  --line INDEX         line setting the reader listens at, 0..11 (default 5):
                       0 4800,n,8,1   1 4800,e,8,1    2 9600,n,8,1    3 9600,e,8,1
                       4 19200,n,8,1  5 19200,e,8,1   6 38400,n,8,1   7 38400,e,8,1
                       8 57600,n,8,1  9 57600,e,8,1  10 115200,n,8,1 11 115200,e,8,1
  --id XX              reader ID, 2 characters (default 01)
  --serial XXXXXXXX    serial number, 8 characters (default 20240117)
  --version XXXXXXXX   firmware version, 8 characters (default 03.20-01)
  --keys NN            key count, 2 characters (default 04)
  --parity D           keycode parity digit (default 0)
  --mode DDD           output mode, Wiegand and RS485 digits (default 001)
  --no-parity          a reader without keycode parity: "H00M" goes unanswered
  Fields may hold non-digits on purpose, to test what the tool makes of them.

Cards and keys:
  --card HEX           a card held on the reader: every poll that has nothing else reports it
  --card-every SECONDS present a new card this often
  --keys-every SECONDS present a keypad entry this often

Faults:
  --silent             answer nothing
  --mute LETTER[:N]    do not answer commands with that letter (only the next N of them with :N);
                       may be repeated
  --bad-checksum       every reply with a wrong checksum
  --lower-case         checksum letters in lower case
  --noise              one 0xFF byte ahead of every reply
  --noise-bytes N      a burst of N bytes of line noise ahead of every reply (zero bytes, CRs, 0xFF, ...;
                       never an LF)
  --echo               the line echoes: the host hears every byte it sends, as on a 2-wire RS485
                       converter that keeps its receiver on
  --info-length N      the "H00B" reply N bytes long instead of 16
  --delay-us N         microseconds from the command's CR to the reply (default 3000)
  --no-pacing          bytes without the line's character time between them
  --babble             stream 'U' bytes without end, never a frame
  --long N             reply bodies padded to N characters (over 1020 makes a reply over 1024 bytes)
  --zero-at P          a zero byte at 1-based position P (2 or more) of every reply, checksum still right
  --stop-after-polls N answer nothing after N answered "H00F"

Commands on standard input, one a line:
  card HEX | keys TEXT | hold HEX | lift | silent | talk | vanish | plug | quit | help
  "vanish" closes the pty as an unplugged adapter (the links are left dangling); "plug" brings a new one.

The reader answers only a host at its line setting. A Linux pty forces 8 data bits and no parity on
whatever the host sets, so there only the baud rate can be told apart: a host at the right baud rate but
the wrong parity is answered. Parity matching is tested on the virtual device instead.

SIGINT, SIGTERM and SIGHUP end it cleanly.
)";
}

bool ParseSimOptions(int argc, const char* const* argv, SimOptions& out, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view option(argv[i]);
        // The option's value, or nothing (an error) when the command line ends here.
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto fail = [&](const char* what) {
            error = std::string(option) + ": " + what;
            return false;
        };
        unsigned long long n = 0;

        if (option == "--help" || option == "-h") {
            out.help = true;
        } else if (option == "--com") {
            if (!Number(value(), 16, n) || n < 1)
                return fail("expects a port number from 1 to 16");
            out.com = static_cast<int>(n);
        } else if (option == "--link") {
            const char* path = value();
            if (!path || !*path)
                return fail("expects a path");
            out.links.emplace_back(path);
        } else if (option == "--print-path") {
            out.printPath = true;
        } else if (option == "--log") {
            out.log = true;
        } else if (option == "--line") {
            if (!Number(value(), protocol::BaudRateCount - 1, n))
                return fail("expects a line-setting index from 0 to 11");
            out.state.lineIndex = static_cast<int>(n);
        } else if (option == "--id" || option == "--keys" || option == "--serial" || option == "--version" ||
                   option == "--parity" || option == "--mode") {
            const std::size_t length = option == "--id" || option == "--keys" ? 2
                                       : option == "--parity"                 ? 1
                                       : option == "--mode"                   ? 3
                                                                              : 8;
            const char* text = value();
            if (!Field(text, length))
                return fail(("expects " + std::to_string(length) + " printable characters").c_str());
            std::string& field = option == "--id"       ? out.state.id
                                 : option == "--keys"   ? out.state.keyCount
                                 : option == "--serial" ? out.state.serial
                                 : option == "--parity" ? out.state.parity
                                 : option == "--mode"   ? out.state.mode
                                                        : out.state.version;
            field = text;
        } else if (option == "--no-parity") {
            out.state.paritySupported = false;
        } else if (option == "--card") {
            const char* text = value();
            if (!Field(text, 0))
                return fail("expects 1 to 64 printable characters");
            out.heldCard = text;
        } else if (option == "--card-every" || option == "--keys-every") {
            double& seconds = option == "--card-every" ? out.cardEverySec : out.keysEverySec;
            if (!Seconds(value(), seconds))
                return fail("expects seconds from 0.001 to 86400");
        } else if (option == "--silent") {
            out.faults.silent = true;
        } else if (option == "--mute") {
            const char* text = value();
            if (!text || text[0] < 'A' || text[0] > 'Z' || (text[1] != '\0' && text[1] != ':'))
                return fail("expects an upper-case command letter, optionally followed by :N");
            int count = -1;
            if (text[1] == ':') {
                if (!Number(text + 2, 1000000, n))
                    return fail("expects a count after the colon");
                count = static_cast<int>(n);
            }
            out.faults.muted[text[0]] = count;
        } else if (option == "--bad-checksum") {
            out.faults.badChecksum = true;
        } else if (option == "--lower-case") {
            out.faults.lowerCaseChecksum = true;
        } else if (option == "--noise") {
            out.faults.noiseBeforeLf = true;
        } else if (option == "--noise-bytes") {
            if (!Number(value(), 1000, n))
                return fail("expects a count from 0 to 1000");
            out.faults.noiseBytes = static_cast<std::size_t>(n);
        } else if (option == "--echo") {
            out.faults.echo = true;
        } else if (option == "--info-length") {
            if (!Number(value(), 4096, n) || n < 4)
                return fail("expects a length from 4 to 4096");
            out.faults.infoReplyLength = static_cast<int>(n);
        } else if (option == "--delay-us") {
            if (!Number(value(), 10000000, n))
                return fail("expects microseconds from 0 to 10000000");
            out.faults.answerDelayUs = static_cast<std::uint32_t>(n);
        } else if (option == "--no-pacing") {
            out.faults.pacing = false;
        } else if (option == "--babble") {
            out.faults.babble = true;
        } else if (option == "--long") {
            if (!Number(value(), 65536, n))
                return fail("expects a body length from 0 to 65536");
            out.faults.replyBodyLength = static_cast<std::size_t>(n);
        } else if (option == "--zero-at") {
            if (!Number(value(), 65536, n) || n < 2)
                return fail("expects a position from 2 to 65536");
            out.faults.zeroBytePosition = static_cast<int>(n);
        } else if (option == "--stop-after-polls") {
            if (!Number(value(), 1000000000, n))
                return fail("expects a count");
            out.faults.stopAfterPolls = static_cast<int>(n);
        } else {
            error = std::string(option) + ": unknown option (see --help)";
            return false;
        }
    }
    return true;
}

std::string Printable(const std::string& bytes) {
    std::string text;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\t')
            text += "<TAB>";
        else if (byte == '\n')
            text += "<LF>";
        else if (byte == '\r')
            text += "<CR>";
        else if (byte >= 0x20 && byte < 0x7F && byte != '\\')
            text += c;
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            text += hex;
        }
    }
    return text;
}

} // namespace sim
