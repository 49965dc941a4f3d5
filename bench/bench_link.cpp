// bench-link: the link's cost against the physical floor, with reader-sim on a pty pacing its bytes at line
// speed. Measures and prints one table; it never fails for being slow. Run it through bench/run.

#include "bench/timed_system.h"
#include "commission/line_test.h"
#include "link/link.h"
#include "operations/operations.h"
#include "platform/com_ports.h"
#include "platform/native.h"
#include "platform/testing/memory_settings_store.h"
#include "trace/trace_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Com = 1;

/// The native system, timed where a figure needs the start of the reply wait; the link on it.
bench::TimedSystem timed(platform::NativeSystem());
readerlink::LinkSetup plainSetup(platform::NativeSystem());
readerlink::LinkSetup timedSetup(timed);

/// One H00B exchange that counts: a valid 16-byte reply.
bool InfoExchange(readerlink::Link& link) {
    const readerlink::Reply reply = link.SendCommand("H00B");
    return reply.valid() && reply.received.size() == 16;
}
constexpr int Exchanges = 30;

struct Child {
    pid_t pid = -1;
    std::string output; ///< reader-sim: its first line; bench-window: everything it printed
};

/// Starts `argv`; with `waitLine` returns once the child printed its first line, else once it has ended.
Child Spawn(const std::vector<std::string>& argv, bool waitLine) {
    Child child;
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return child;
    child.pid = fork();
    if (child.pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> args;
        args.reserve(argv.size() + 1);
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    char buffer[4096];
    for (;;) {
        pollfd entry{pipeFds[0], POLLIN, 0};
        if (poll(&entry, 1, 60000) <= 0)
            break;
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        child.output.append(buffer, static_cast<std::size_t>(got));
        if (waitLine && child.output.find('\n') != std::string::npos) {
            child.output.erase(child.output.find('\n'));
            break;
        }
    }
    close(pipeFds[0]);
    if (!waitLine) {
        waitpid(child.pid, nullptr, 0);
        child.pid = -1;
    }
    return child;
}

struct Sim {
    Child child;
    bool ok() const { return child.pid > 0 && !child.output.empty(); }
    const std::string& slave() const { return child.output; }
};

Sim StartSim(std::vector<std::string> options, int com = Com) {
    std::vector<std::string> argv{READER_SIM_PATH, "--com", std::to_string(com), "--print-path"};
    argv.insert(argv.end(), options.begin(), options.end());
    return Sim{Spawn(argv, true)};
}

void StopSim(Sim& sim) {
    if (sim.child.pid > 0) {
        kill(sim.child.pid, SIGTERM);
        waitpid(sim.child.pid, nullptr, 0);
    }
    sim.child.pid = -1;
}

/// CPU seconds a process has used so far, from /proc; -1 where that is not available.
double CpuSecondsOf(pid_t pid) {
    FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!file)
        return -1;
    char text[1024] = {};
    const std::size_t got = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    const char* fields = std::strrchr(text, ')'); // the command name may hold blanks
    if (!got || !fields)
        return -1;
    std::istringstream in(fields + 2);
    std::string skip;
    for (int i = 3; i < 14; ++i)
        in >> skip;
    unsigned long long user = 0, system = 0;
    in >> user >> system;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double CpuSecondsSelf() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Median(std::vector<double> values) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double Ms(std::uint64_t us) {
    return static_cast<double>(us) / 1000.0;
}

/// Wire time in ms of `characters` at `baud` with `bits` per character.
double WireMs(int characters, int bits, int baud) {
    return 1000.0 * characters * bits / baud;
}

// ---- the table ----

struct Row {
    std::string figure, measured, reference, ratio, target, verdict;
};
std::vector<Row> rows;

std::string Fixed(double value, int decimals, const char* unit = "") {
    if (std::isnan(value))
        return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f%s", decimals, value, unit);
    return text;
}

void AddRow(std::string figure, std::string measured, std::string reference = {}, std::string ratio = {},
            std::string target = {}, std::string verdict = {}) {
    rows.push_back({std::move(figure), std::move(measured), std::move(reference), std::move(ratio), std::move(target),
                    std::move(verdict)});
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

void PrintTable() {
    Row head{"figure", "measured", "reference", "ratio", "target", ""};
    std::size_t width[6] = {};
    auto fields = [](const Row& r) {
        return std::vector<const std::string*>{&r.figure, &r.measured, &r.reference, &r.ratio, &r.target, &r.verdict};
    };
    for (const Row* row : {&head})
        for (std::size_t i = 0; i < 6; ++i)
            width[i] = std::max(width[i], fields(*row)[i]->size());
    for (const Row& row : rows)
        for (std::size_t i = 0; i < 6; ++i)
            width[i] = std::max(width[i], fields(row)[i]->size());
    auto print = [&](const Row& row) {
        const auto f = fields(row);
        std::printf("%-*s  %*s  %*s  %*s  %-*s  %s\n", int(width[0]), f[0]->c_str(), int(width[1]), f[1]->c_str(),
                    int(width[2]), f[2]->c_str(), int(width[3]), f[3]->c_str(), int(width[4]), f[4]->c_str(),
                    f[5]->c_str());
    };
    print(head);
    std::size_t total = 10;
    for (std::size_t w : width)
        total += w;
    std::printf("%s\n", std::string(total, '-').c_str());
    for (const Row& row : rows)
        print(row);
}

// ---- the measurements ----

/// The "H00B" exchange done by hand on the slave: the link's five writes and pauses, then a read loop that
/// blocks in poll() until the reply's CR or 120 ms.
bool BareExchange(int fd, double& ms) {
    static const char text[] = "H00B";
    const std::uint64_t start = bench::NowUs();
    const std::uint8_t tab = '\t', hi = '0', lo = '3', cr = '\r';
    auto put = [&](const void* data, std::size_t count, std::uint32_t pause) {
        if (::write(fd, data, count) < 0)
            return;
        platform::NativeSleepMs(pause);
    };
    put(&tab, 1, 1);
    put(text, 4, 5);
    put(&hi, 1, 1);
    put(&lo, 1, 1);
    put(&cr, 1, 1);
    std::string reply;
    const std::uint64_t deadline = bench::NowUs() + 120000;
    while (bench::NowUs() < deadline) {
        pollfd entry{fd, POLLIN, 0};
        const int waitMs = static_cast<int>((deadline - bench::NowUs()) / 1000) + 1;
        if (poll(&entry, 1, waitMs) <= 0)
            break;
        char buffer[64];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        reply.append(buffer, static_cast<std::size_t>(got));
        if (!reply.empty() && reply.front() == '\n' && reply.back() == '\r') {
            ms = Ms(bench::NowUs() - start);
            return reply.size() == 16;
        }
    }
    return false;
}

int OpenBare(const std::string& path, speed_t speed) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD | PARENB;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

void ExchangeRows() {
    struct Rate {
        int baud;
        speed_t speed;
        int index; ///< the even-parity entry: 11 bits a character, the tool's default family
    };
    const Rate rates[] = {{4800, B4800, 1},   {9600, B9600, 3},   {19200, B19200, 5},
                          {38400, B38400, 7}, {57600, B57600, 9}, {115200, B115200, 11}};
    for (const Rate& rate : rates) {
        const std::string settings = std::to_string(rate.baud) + ",e,8,1";
        const double floor = WireMs(8 + 16, 11, rate.baud) + 9.0;
        Sim sim = StartSim({"--line", std::to_string(rate.index), "--delay-us", "0"});
        std::vector<double> link, bare;
        int failed = 0;
        readerlink::Link line(plainSetup);
        if (sim.ok() && line.OpenComPort(Com, settings)) {
            InfoExchange(line); // warm-up: the first exchange pays for page faults
            for (int i = 0; i < Exchanges; ++i) {
                const std::uint64_t start = bench::NowUs();
                const bool ok = InfoExchange(line);
                const std::uint64_t end = bench::NowUs();
                if (ok)
                    link.push_back(Ms(end - start));
                else
                    ++failed;
                platform::NativeSleepMs(5);
            }
            line.CloseComPort();
        }
        if (const int fd = sim.ok() ? OpenBare(sim.slave(), rate.speed) : -1; fd >= 0) {
            double ms = 0;
            BareExchange(fd, ms);
            for (int i = 0; i < Exchanges; ++i) {
                if (BareExchange(fd, ms))
                    bare.push_back(ms);
                else
                    ++failed;
                platform::NativeSleepMs(5);
            }
            ::close(fd);
        }
        StopSim(sim);

        const double measured = Median(link);
        const double reference = Median(bare);
        const std::string name = "H00B exchange " + std::to_string(rate.baud);
        AddRow(name + ", link" + (failed ? " (" + std::to_string(failed) + " failed)" : ""), Fixed(measured, 2, " ms"),
               "floor " + Fixed(floor, 2, " ms"), Fixed(measured / floor, 3, "x"), "<= 1.05x",
               Verdict(measured / floor <= 1.05));
        AddRow(name + ", bare termios", Fixed(reference, 2, " ms"), "link/bare", Fixed(measured / reference, 3, "x"),
               "", "");
    }
}

/// A line that echoes the command (a 2-wire converter that hears itself) against one that does not, exchanges
/// interleaved so that both see the same machine: the echo's bytes come in while the frame goes out, and the
/// reply comes as soon.
void EchoRows() {
    for (const int rate : {4800, 19200}) {
        const std::string index = rate == 4800 ? "1" : "5";
        const std::string settings = std::to_string(rate) + ",e,8,1";
        Sim plain = StartSim({"--line", index, "--delay-us", "0"}, 1);
        Sim echoing = StartSim({"--line", index, "--delay-us", "0", "--echo"}, 2);
        readerlink::Link plainLine(plainSetup);
        readerlink::Link echoLine(plainSetup);
        std::vector<double> off, on;
        int failed = 0;
        if (plain.ok() && echoing.ok() && plainLine.OpenComPort(1, settings) && echoLine.OpenComPort(2, settings)) {
            InfoExchange(plainLine);
            InfoExchange(echoLine);
            for (int i = 0; i < Exchanges; ++i) {
                for (readerlink::Link* line : {&plainLine, &echoLine}) {
                    const std::uint64_t start = bench::NowUs();
                    const readerlink::Reply reply = line->SendCommand("H00B");
                    const std::uint64_t end = bench::NowUs();
                    const bool echoed = line == &echoLine;
                    if (reply.valid() && reply.received.size() == 16 && reply.echoed == echoed)
                        (echoed ? on : off).push_back(Ms(end - start));
                    else
                        ++failed;
                    platform::NativeSleepMs(5);
                }
            }
        }
        plainLine.CloseComPort();
        echoLine.CloseComPort();
        StopSim(plain);
        StopSim(echoing);
        const std::string name = "H00B exchange " + std::to_string(rate);
        AddRow(name + ", no echo", Fixed(Median(off), 2, " ms"));
        AddRow(name + ", echoing line" + (failed ? " (" + std::to_string(failed) + " failed)" : ""),
               Fixed(Median(on), 2, " ms"), "no echo", Fixed(Median(on) / Median(off), 3, "x"), "<= 1.02x",
               Verdict(Median(on) / Median(off) <= 1.02));
    }
}

/// The trace is written after each exchange: an exchange and a time-out with it on must measure as without it.
void TraceRows(const std::string& folder) {
    Sim sim = StartSim({"--line", "5", "--delay-us", "0"});
    std::string error;
    std::unique_ptr<trace::TraceFile> trace =
        trace::TraceFile::Open(folder + "/trace.jsonl", "bench-link", platform::NativeSystem(), error);
    std::vector<double> off, on;
    readerlink::Link line(plainSetup);
    if (sim.ok() && trace && line.OpenComPort(Com, "19200,e,8,1")) {
        InfoExchange(line);
        // Interleaved, so that both see the same machine.
        for (int i = 0; i < Exchanges; ++i) {
            for (const bool traced : {false, true}) {
                plainSetup.trace = traced ? trace.get() : nullptr;
                const std::uint64_t start = bench::NowUs();
                const bool ok = InfoExchange(line);
                const std::uint64_t end = bench::NowUs();
                if (ok)
                    (traced ? on : off).push_back(Ms(end - start));
                plainSetup.trace = nullptr;
                platform::NativeSleepMs(5);
            }
        }
        line.CloseComPort();
    }
    StopSim(sim);
    AddRow("H00B exchange 19200, trace off", Fixed(Median(off), 2, " ms"));
    AddRow("H00B exchange 19200, trace on", Fixed(Median(on), 2, " ms"), "trace off",
           Fixed(Median(on) / Median(off), 3, "x"), "<= 1.01x", Verdict(Median(on) / Median(off) <= 1.01));

    Sim silent = StartSim({"--silent"});
    std::vector<double> waits;
    readerlink::Link timedLine(timedSetup);
    if (silent.ok() && trace && timedLine.OpenComPort(Com, "19200,e,8,1")) {
        timedSetup.trace = trace.get();
        for (int i = 0; i < 20; ++i) {
            timedLine.SendCommand("H00B");
            waits.push_back(Ms(bench::NowUs() - timed.waitStartUs));
        }
        timedSetup.trace = nullptr;
        timedLine.CloseComPort();
    }
    StopSim(silent);
    AddRow("silent-reader time-out, trace on, median of 20", Fixed(Median(waits), 1, " ms"), "121 ms", "", "120-123 ms",
           Verdict(!waits.empty() && Median(waits) > 120 && Median(waits) <= 123));
}

void TimeoutRow() {
    Sim sim = StartSim({"--silent"});
    std::vector<double> waits;
    readerlink::Link line(timedSetup);
    if (sim.ok() && line.OpenComPort(Com, "19200,e,8,1")) {
        for (int i = 0; i < 50; ++i) {
            line.SendCommand("H00B");
            waits.push_back(Ms(bench::NowUs() - timed.waitStartUs));
        }
        line.CloseComPort();
    }
    StopSim(sim);
    std::sort(waits.begin(), waits.end());
    // The link reads a millisecond clock: "more than 120" is 121 ticks, which may be only just over 120 ms of
    // real time when the first reading came late in its millisecond.
    const bool met = !waits.empty() && waits.front() > 120 && waits.back() <= 123;
    AddRow("silent-reader time-out, min/median/max of 50",
           waits.empty()
               ? "n/a"
               : Fixed(waits.front(), 1) + "/" + Fixed(Median(waits), 1) + "/" + Fixed(waits.back(), 1) + " ms",
           "", "", "120-123 ms", waits.empty() ? "" : Verdict(met));
}

/// Card reading as the window does it: 80 x (queue service + 1 ms) and one "H00F". Returns the cycles' mean.
struct Polling {
    double periodMs = NAN, pacingMs = NAN, exchangeMs = NAN;
    int failed = 0;
};
Polling Poll(readerlink::Link& line, int cycles, double forSeconds) {
    Polling result;
    double pacing = 0, exchange = 0;
    int done = 0;
    const std::uint64_t start = bench::NowUs();
    while (forSeconds > 0 ? static_cast<double>(bench::NowUs() - start) < forSeconds * 1e6 : done < cycles) {
        const std::uint64_t cycle = bench::NowUs();
        for (int i = 0; i < 80; ++i) {
            line.ProcessMessages();
            line.system().sleepMs(1);
        }
        const std::uint64_t sent = bench::NowUs();
        const readerlink::Reply reply = line.SendCommand("H00F");
        if (!reply || reply.received.size() != 18)
            ++result.failed;
        const std::uint64_t end = bench::NowUs();
        pacing += Ms(sent - cycle);
        exchange += Ms(end - sent);
        ++done;
    }
    if (done > 0) {
        result.periodMs = Ms(bench::NowUs() - start) / done;
        result.pacingMs = pacing / done;
        result.exchangeMs = exchange / done;
    }
    return result;
}

void PollingRows() {
    Sim sim = StartSim({"--line", "5", "--delay-us", "0", "--card", "499602D2"});
    const double exchangeFloor = WireMs(8 + 18, 11, 19200) + 9.0;
    const double reference = 80.0 + exchangeFloor;
    readerlink::Link line(plainSetup);
    if (!sim.ok() || !line.OpenComPort(Com, "19200,e,8,1")) {
        AddRow("card-reading poll period", "n/a (reader-sim did not start)");
        StopSim(sim);
        return;
    }
    const Polling polls = Poll(line, 100, 0);
    AddRow("card-reading poll period, mean of 100" +
               (polls.failed ? " (" + std::to_string(polls.failed) + " failed)" : std::string()),
           Fixed(polls.periodMs, 2, " ms"), "80 + " + Fixed(exchangeFloor, 1) + " ms",
           Fixed(polls.periodMs / reference, 3, "x"), "<= 1.05x", Verdict(polls.periodMs / reference <= 1.05));
    AddRow("  of which pacing (80 x 1 ms)", Fixed(polls.pacingMs, 2, " ms"), "80.00 ms",
           Fixed(polls.pacingMs / 80.0, 3, "x"));
    AddRow("  of which H00F exchange", Fixed(polls.exchangeMs, 2, " ms"), "floor " + Fixed(exchangeFloor, 2, " ms"),
           Fixed(polls.exchangeMs / exchangeFloor, 3, "x"));

    const double cpuStart = CpuSecondsSelf();
    const double simStart = CpuSecondsOf(sim.child.pid);
    const std::uint64_t wallStart = bench::NowUs();
    const Polling load = Poll(line, 0, 10.0);
    const double wall = static_cast<double>(bench::NowUs() - wallStart) / 1e6;
    const double cpu = 100.0 * (CpuSecondsSelf() - cpuStart) / wall;
    const double simCpu = simStart < 0 ? NAN : 100.0 * (CpuSecondsOf(sim.child.pid) - simStart) / wall;
    line.CloseComPort();
    StopSim(sim);
    AddRow("CPU while polling, 10 s" + (load.failed ? " (" + std::to_string(load.failed) + " failed)" : std::string()),
           Fixed(cpu, 2, " %"), "", "", "<= 3 %", Verdict(cpu <= 3.0));
    AddRow("  reader-sim's own CPU meanwhile", Fixed(simCpu, 2, " %"));
}

/// Sixteen ports, the reader on COM16 at line setting 10 and fifteen ptys that never answer, nothing remembered:
/// readerctl's scan of all twelve line settings one port after another, and every port at once.
void AllPortsRows() {
    Sim sim = StartSim({"--line", "10", "--delay-us", "0"}, 16);
    std::vector<int> held;
    for (int port = 1; port < 16 && sim.ok(); ++port) {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || !ptsname(master))
            break;
        held.push_back(master);
        held.push_back(open(ptsname(master), O_RDWR | O_NOCTTY)); // keeps the pty alive between opens
        const std::string link = platform::PortsFolder() + "/COM" + std::to_string(port);
        unlink(link.c_str());
        if (symlink(ptsname(master), link.c_str()) != 0)
            break;
    }
    for (const bool atOnce : {false, true}) {
        operations::QuietObserver unseen;
        operations::ReaderState reader;
        readerlink::Link link(plainSetup);
        platform::MemorySettingsStore store;
        operations::ScanOptions options;
        options.locked = false;
        options.allPortsAtOnce = atOnce;
        const std::uint64_t start = bench::NowUs();
        const operations::Result result =
            held.size() == 30 ? operations::Scan({link, reader, unseen}, store, options) : operations::Result{};
        const double seconds = static_cast<double>(bench::NowUs() - start) / 1e6;
        AddRow(std::string("scan, 16 ports, all lines, reader on COM16 at 10: ") + (atOnce ? "at once" : "in turn") +
                   (result.ok() && result.port == 16 ? "" : " (not found)"),
               Fixed(seconds, 2, " s"), atOnce ? "11 x 130 ms + info" : "380 x 130 ms + info", "",
               atOnce ? "<= 2 s" : "", atOnce ? Verdict(seconds <= 2.0) : "");
    }
    for (int port = 1; port < 16; ++port)
        unlink((platform::PortsFolder() + "/COM" + std::to_string(port)).c_str());
    for (const int fd : held)
        if (fd >= 0)
            close(fd);
    StopSim(sim);
}

/// The line test as readerctl runs it, against the reader answering at once: 100 queries, each the 100 ms pause
/// and one exchange.
void LineTestRow() {
    Sim sim = StartSim({"--line", "5", "--delay-us", "0"});
    readerlink::Link link(plainSetup);
    operations::ReaderState reader;
    reader.ComPortNo = Com;
    platform::MemorySettingsStore store;
    commission::Events unseen;
    const std::uint64_t start = bench::NowUs();
    commission::LineTest test;
    if (sim.ok())
        test = commission::RunLineTest({link, reader, store, unseen}, 100, [](const commission::LineTest&) {});
    const double seconds = static_cast<double>(bench::NowUs() - start) / 1e6;
    StopSim(sim);
    const double exchangeFloor = WireMs(8 + 16, 11, 19200) + 9.0;
    const double floor = 100 * (operations::CommandPauseMs + exchangeFloor) / 1000;
    AddRow("linetest, 100 queries at 19200" +
               (test.sent == 100 && test.code == commission::Code::None ? std::string() : " (failed)"),
           Fixed(seconds, 2, " s"), "100 x (100 + " + Fixed(exchangeFloor, 2) + ") ms", Fixed(seconds / floor, 3, "x"),
           "<= 1.05x", Verdict(seconds / floor <= 1.05));
    // What it reported: the reply times from the end of sending; the reply's own wire time is 9.2 ms.
    const std::optional<commission::ReplyTimes> times = test.times();
    AddRow("  its reply time, min/median/p99/max",
           times ? std::to_string(times->min) + "/" + std::to_string(times->median) + "/" + std::to_string(times->p99) +
                       "/" + std::to_string(times->max) + " ms"
                 : "n/a");
}

/// Records when the reader on `port` first answered.
class AnswerClock final : public readerlink::TraceSink {
public:
    explicit AnswerClock(int port) : port_(port) {}
    std::uint64_t answeredUs = 0;
    void portOpened(int, const std::string&, platform::OpenError) override {}
    void portClosed(int, const std::string&) override {}
    void exchange(const readerlink::Exchange& exchange) override {
        if (exchange.portNo == port_ && exchange.outcome == readerlink::ReplyOutcome::Valid && !answeredUs)
            answeredUs = bench::NowUs();
    }

private:
    int port_;
};

/// A site run's wait, as Site::waitForReader searches: a silent adapter on COM1, and the reader's adapter plugged in
/// as COM16 at moments spread over a try. From plugged in to the reader's first answer, against one try's time.
void PluggedInRow() {
    Sim sim{Spawn({READER_SIM_PATH, "--print-path", "--line", "5", "--delay-us", "0"}, true)};
    std::error_code ignored;
    std::filesystem::create_directories(platform::PortsFolder(), ignored);
    const std::string com1 = platform::PortsFolder() + "/COM1";
    const std::string com16 = platform::PortsFolder() + "/COM16";
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    int slave = -1;
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 && ptsname(master)) {
        slave = open(ptsname(master), O_RDWR | O_NOCTTY); // keeps the pty alive between opens
        unlink(com1.c_str());
        if (symlink(ptsname(master), com1.c_str()) != 0)
            slave = -1;
    }
    std::vector<double> took;
    int missed = 0;
    for (int k = 0; k < 10 && sim.ok() && slave >= 0; ++k) {
        unlink(com16.c_str());
        AnswerClock answer(16);
        readerlink::LinkSetup setup(platform::NativeSystem());
        setup.trace = &answer;
        readerlink::Link link(setup);
        operations::ReaderState reader;
        reader.SelectLineSetting(7); // where the last reader was left
        operations::QuietObserver unseen;
        platform::MemorySettingsStore store;
        operations::ScanOptions options;
        options.locked = false;
        options.allPortsAtOnce = true;
        options.firstLine = protocol::DefaultBaudRateIndex;
        options.untilFound = true;
        const std::uint64_t deadline = bench::NowUs() + 5000000;
        options.interrupted = [&] { return bench::NowUs() > deadline; };
        std::atomic<std::uint64_t> pluggedUs{0};
        std::thread plug([&] {
            platform::NativeSleepMs(300 + static_cast<std::uint32_t>(k) * 13);
            pluggedUs = bench::NowUs();
            if (symlink(sim.slave().c_str(), com16.c_str()) != 0)
                pluggedUs = 0;
        });
        operations::Scan({link, reader, unseen}, store, options);
        plug.join();
        if (answer.answeredUs > pluggedUs && pluggedUs > 0)
            took.push_back(Ms(answer.answeredUs - pluggedUs));
        else
            ++missed;
    }
    unlink(com16.c_str());
    unlink(com1.c_str());
    for (const int fd : {slave, master})
        if (fd >= 0)
            close(fd);
    StopSim(sim);
    const double tryMs = readerlink::ReplyTimeoutMs + 1;
    const double slowest = took.empty() ? NAN : *std::max_element(took.begin(), took.end());
    AddRow("reader plugged in -> found, median/max of 10" +
               (missed ? " (" + std::to_string(missed) + " missed)" : std::string()),
           Fixed(Median(took), 0) + "/" + Fixed(slowest, 0) + " ms", "one try " + Fixed(tryMs, 0) + " ms",
           Fixed(slowest / tryMs, 3, "x"), "<= 1x", took.empty() ? "" : Verdict(slowest <= tryMs));
}

#ifdef BENCH_WINDOW_PATH
/// Runs bench-window once and returns its key=value lines.
std::map<std::string, std::string> RunWindow(const std::vector<std::string>& options) {
    std::vector<std::string> argv{BENCH_WINDOW_PATH};
    argv.insert(argv.end(), options.begin(), options.end());
    // The child measures from the moment before it was started.
    setenv("BENCH_SPAWN_US", std::to_string(bench::NowUs()).c_str(), 1);
    const Child window = Spawn(argv, false);
    std::map<std::string, std::string> values;
    std::istringstream lines(window.output);
    for (std::string line; std::getline(lines, line);)
        if (const std::size_t eq = line.find('='); eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    return values;
}

double Number(const std::map<std::string, std::string>& values, const char* key) {
    const auto it = values.find(key);
    return it == values.end() ? NAN : std::atof(it->second.c_str());
}

void WindowRows() {
    // The first start pays for cold caches; the median of the next ones is the usual start.
    std::vector<double> paints, entries;
    double coldPaint = NAN;
    for (int run = 0; run < 6; ++run) {
        const auto values = RunWindow({"--paint-only"});
        const double paint = Number(values, "first_paint_ms");
        if (run == 0) {
            coldPaint = paint;
        } else if (!std::isnan(paint)) {
            paints.push_back(paint);
            entries.push_back(Number(values, "main_entry_ms"));
        }
    }
    auto values = RunWindow({});

    const double scanRef = 32 * (9 + 121);
    const double scan = Number(values, "scan_search_ms");
    AddRow("scan, 16 silent ports, chkLock ticked", Fixed(scan, 0, " ms"), "32 x 130 ms", Fixed(scan / scanRef, 3, "x"),
           "<= 1.03x", std::isnan(scan) ? "" : Verdict(scan / scanRef <= 1.03));
    AddRow("  with the closing 300 ms beep", Fixed(Number(values, "scan_total_ms"), 0, " ms"),
           values.count("scan_result") ? values["scan_result"] : "");
    const double paint = Median(paints);
    AddRow("process start to first paint, median of 5", Fixed(paint, 0, " ms"), "", "", "<= 300 ms",
           std::isnan(paint) ? "" : Verdict(paint <= 300));
    AddRow("  of which until main() (exec, loading)", Fixed(Median(entries), 0, " ms"));
    AddRow("  first start (cold caches)", Fixed(coldPaint, 0, " ms"), "", "", "<= 300 ms",
           std::isnan(coldPaint) ? "" : Verdict(coldPaint <= 300));
    const double rss = Number(values, "rss_kb") / 1024.0;
    AddRow("peak RSS, window after the scan", Fixed(rss, 1, " MB"), "", "", "<= 60 MB",
           std::isnan(rss) ? "" : Verdict(rss <= 60));
}
#else
void WindowRows() {
    AddRow("scan, 16 silent ports, chkLock ticked", "n/a (window not built)");
    AddRow("process start to first paint", "n/a (window not built)");
}
#endif

} // namespace

int main() {
    char folder[] = "/tmp/bench-link-XXXXXX";
    if (!mkdtemp(folder)) {
        std::fprintf(stderr, "bench-link: cannot make a temporary folder\n");
        return 1;
    }
    // The ports folder (and the window's settings file) of this run only.
    setenv("XDG_CONFIG_HOME", folder, 1);
    signal(SIGPIPE, SIG_IGN);

    ExchangeRows();
    EchoRows();
    TraceRows(folder);
    TimeoutRow();
    PollingRows();
    AllPortsRows();
    PluggedInRow();
    LineTestRow();
    WindowRows();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    AddRow("peak RSS, link benchmark", Fixed(peakMb, 1, " MB"), "", "", "<= 60 MB", Verdict(peakMb <= 60));

    std::printf("readerconfig link benchmark: reader-sim on a pty, bytes paced at line speed both ways, the reader\n"
                "answering at once; exchange floor = wire time of 8 + 16 characters at 11 bits + 9 ms of pauses\n\n");
    PrintTable();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
