#include "reader_sim.h"

#include "platform/com_ports.h"
#include "pty.h"
#include "reader_line.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
    stopSignal = signal;
}

constexpr std::uint64_t Never = std::numeric_limits<std::uint64_t>::max();

/// Reply bytes on their way to the host, each with the time it is due on the wire.
class OutQueue final : public platform::ReplySink {
public:
    struct Byte {
        std::uint64_t atUs;
        std::uint8_t value;
    };
    void send(const std::uint8_t* data, std::size_t count, std::uint64_t firstAtUs, std::uint32_t spacingUs) override {
        for (std::size_t i = 0; i < count; ++i) {
            const Byte byte{firstAtUs + i * spacingUs, data[i]};
            const auto at = std::upper_bound(bytes_.begin(), bytes_.end(), byte.atUs,
                                             [](std::uint64_t t, const Byte& b) { return t < b.atUs; });
            bytes_.insert(at, byte);
        }
    }
    std::uint64_t nextDueUs() const { return bytes_.empty() ? Never : bytes_.front().atUs; }
    bool empty() const { return bytes_.empty(); }
    /// Moves the bytes due by `nowUs` into `out`.
    void takeDue(std::uint64_t nowUs, std::string& out) {
        while (!bytes_.empty() && bytes_.front().atUs <= nowUs) {
            out += static_cast<char>(bytes_.front().value);
            bytes_.pop_front();
        }
    }
    void clear() { bytes_.clear(); }

private:
    std::deque<Byte> bytes_;
};

bool IsOurLink(const std::string& path, const std::string& target) {
    char buffer[4096];
    const ssize_t length = readlink(path.c_str(), buffer, sizeof buffer - 1);
    return length > 0 && std::string(buffer, static_cast<std::size_t>(length)) == target;
}

bool MakeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at == folder.size() || folder[at] == '/') {
            const std::string part = folder.substr(0, at);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

/// Points `path` at `target`, replacing an earlier symlink (a reader-sim that was killed leaves one) but
/// never a real file or device.
bool PlaceLink(const std::string& path, const std::string& target, std::string& error) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        error = path + " exists and is not a symlink; not replaced";
        return false;
    }
    const std::string temporary = path + ".reader-sim-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot create the symlink " + path + ": " + std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

class ReaderSim {
public:
    explicit ReaderSim(const SimOptions& options) : options_(options) {
        model_.state = options.state;
        model_.faults = options.faults;
        model_.holdCard(options.heldCard);
        if (options.log)
            model_.trace = [](std::uint64_t atUs, char direction, const std::string& text) {
                std::fprintf(stderr, "%11.6f %c %s\n", static_cast<double>(atUs) / 1e6, direction,
                             direction == '!' ? text.c_str() : Printable(text).c_str());
            };
        if (options.com > 0)
            links_.push_back(platform::PortsFolder() + "/COM" + std::to_string(options.com));
        links_.insert(links_.end(), options.links.begin(), options.links.end());
    }

    int run() {
        // Before anything is created, so that a signal at any moment still removes what was.
        sigset_t waitMask{};
        if (!installSignals(waitMask)) {
            std::fprintf(stderr, "reader-sim: cannot install signal handlers\n");
            return 1;
        }
        std::string error;
        if (!plug(error)) {
            std::fprintf(stderr, "reader-sim: %s\n", error.c_str());
            removeLinks();
            return 1;
        }
        if (options_.printPath) {
            std::printf("%s\n", pty_.slavePath().c_str());
            std::fflush(stdout);
        }
        if (!pty_.carriesParity())
            remark("this pty drops parity: only the baud rate of the host is checked");

        const std::uint64_t start = nowUs();
        nextKeysUs_ = options_.keysEverySec > 0 ? start + periodUs(options_.keysEverySec) : Never;
        nextCardUs_ = options_.cardEverySec > 0 ? start + periodUs(options_.cardEverySec) : Never;

        while (!stopSignal && !quit_) {
            std::uint64_t now = nowUs();
            present(now);
            model_.poll(now, out_);
            sendDue(now);

            pollfd fds[3];
            nfds_t count = 0;
            int masterAt = -1, watchAt = -1, inputAt = -1;
            if (pty_.isOpen()) {
                masterAt = static_cast<int>(count);
                fds[count++] = {pty_.masterFd(), POLLIN, 0};
                if (pty_.watchFd() >= 0) {
                    watchAt = static_cast<int>(count);
                    fds[count++] = {pty_.watchFd(), POLLIN, 0};
                }
            }
            if (inputOpen_) {
                inputAt = static_cast<int>(count);
                fds[count++] = {STDIN_FILENO, POLLIN, 0};
            }
            const std::uint64_t wakeUs = nextWakeUs();
            timespec timeout{};
            timespec* limit = nullptr;
            if (wakeUs != Never) {
                const std::uint64_t waitUs = wakeUs > now ? wakeUs - now : 0;
                timeout.tv_sec = static_cast<time_t>(waitUs / 1000000);
                timeout.tv_nsec = static_cast<long>(waitUs % 1000000) * 1000;
                limit = &timeout;
            }
            const int ready = ppoll(fds, count, limit, &waitMask);
            if (ready < 0 && errno != EINTR) {
                std::fprintf(stderr, "reader-sim: poll failed: %s\n", std::strerror(errno));
                break;
            }
            if (ready <= 0)
                continue;
            // Opens and closes first, so that bytes a new host wrote are never discarded with an old one's; then
            // what was typed, so that a card presented before a poll arrives is in that poll's reply.
            if (watchAt >= 0 && fds[watchAt].revents)
                watchHost();
            if (inputAt >= 0 && fds[inputAt].revents)
                readInput();
            if (masterAt >= 0 && fds[masterAt].revents && pty_.isOpen() && pty_.masterFd() == fds[masterAt].fd)
                hearHost();
        }
        if (stopSignal)
            remark(std::string("ending on ") + strsignal(stopSignal));
        pty_.close();
        removeLinks();
        return 0;
    }

private:
    static std::uint64_t nowUs() {
        using namespace std::chrono;
        static const steady_clock::time_point origin = steady_clock::now();
        return static_cast<std::uint64_t>(duration_cast<microseconds>(steady_clock::now() - origin).count());
    }
    static std::uint64_t periodUs(double seconds) { return static_cast<std::uint64_t>(seconds * 1e6); }

    void remark(const std::string& text) {
        if (options_.log)
            std::fprintf(stderr, "%11.6f ! %s\n", static_cast<double>(nowUs()) / 1e6, text.c_str());
    }

    bool installSignals(sigset_t& waitMask) {
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        sigset_t stops{};
        sigemptyset(&stops);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            if (sigaction(signal, &action, nullptr) != 0)
                return false;
            sigaddset(&stops, signal);
        }
        // A background reader-sim must not be stopped for reading the terminal; the read fails instead.
        std::signal(SIGTTIN, SIG_IGN);
        std::signal(SIGPIPE, SIG_IGN);
        // Blocked except inside ppoll, so that a signal cannot slip in between the test and the wait.
        return sigprocmask(SIG_BLOCK, &stops, &waitMask) == 0 &&
               (sigdelset(&waitMask, SIGINT), sigdelset(&waitMask, SIGTERM), sigdelset(&waitMask, SIGHUP), true);
    }

    bool plug(std::string& error) {
        if (!pty_.open(error))
            return false;
        hostWireFreeUs_ = 0;
        out_.clear();
        if (options_.com > 0 && !MakeFolders(platform::PortsFolder())) {
            error = "cannot create the ports folder " + platform::PortsFolder() + ": " + std::strerror(errno);
            return false;
        }
        for (const std::string& link : links_)
            if (!PlaceLink(link, pty_.slavePath(), error))
                return false;
        return true;
    }

    void removeLinks() {
        for (const std::string& link : links_)
            if (IsOurLink(link, pty_.slavePath()))
                unlink(link.c_str());
    }

    std::uint64_t nextWakeUs() const {
        std::uint64_t wake = std::min({out_.nextDueUs(), nextKeysUs_, nextCardUs_, modelPollUs_});
        if (options_.faults.babble && pty_.isOpen())
            wake = std::min(wake, nowUs() + 1000);
        return wake;
    }

    void present(std::uint64_t now) {
        // Only while the queue is short: nobody may be polling, and a demo should show fresh entries.
        if (now >= nextKeysUs_) {
            if (model_.queued() < 2)
                model_.presentKeys(std::to_string(1000 + (entries_++ * 1111) % 9000));
            nextKeysUs_ += periodUs(options_.keysEverySec);
        }
        if (now >= nextCardUs_) {
            if (model_.queued() < 2) {
                char card[16];
                std::snprintf(card, sizeof card, "%08X", 0x499602D2u + 17u * cards_++);
                model_.presentCard(card);
            }
            nextCardUs_ += periodUs(options_.cardEverySec);
        }
    }

    void sendDue(std::uint64_t now) {
        if (modelPollUs_ <= now)
            modelPollUs_ = Never;
        const bool had = !out_.empty();
        std::string due;
        out_.takeDue(now, due);
        if (had && out_.empty())
            modelPollUs_ = now + 1000; // a line change waits for the reply's last byte
        // Without a host the bytes are lost, as a closed port loses them; a host that does not read loses
        // what the pty cannot hold.
        if (!due.empty() && pty_.isOpen() && pty_.hostPresent())
            pty_.writeHost(reinterpret_cast<const std::uint8_t*>(due.data()), due.size());
    }

    void watchHost() {
        const bool wasPresent = pty_.hostPresent();
        if (pty_.takeWatchEvents()) {
            pty_.discardUnread();
            remark("host closed the port");
        }
        if (!wasPresent && pty_.hostPresent())
            remark("host opened the port");
    }

    void hearHost() {
        std::uint8_t buffer[512];
        const long got = pty_.readHost(buffer, sizeof buffer);
        if (got < 0) {
            remark("the pty failed; plugging a new one");
            replug();
            return;
        }
        const std::uint64_t now = nowUs();
        const platform::LineSettings host = pty_.hostLine(model_.line().parity);
        // The bytes cross the wire one character time each, from when they were written.
        const std::uint32_t charUs = options_.faults.pacing ? CharacterTimeUs(host) : 0;
        for (long i = 0; i < got; ++i) {
            const std::uint64_t startUs = std::max(now, hostWireFreeUs_);
            hostWireFreeUs_ = startUs + charUs;
            model_.hostWrote(&buffer[i], 1, host, startUs, out_);
        }
    }

    void replug() {
        pty_.close();
        std::string error;
        if (!plug(error)) {
            std::fprintf(stderr, "reader-sim: %s\n", error.c_str());
            quit_ = true;
        } else {
            remark("plugged in as " + pty_.slavePath());
        }
    }

    void readInput() {
        char buffer[512];
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            if (got == 0 || (errno != EINTR && errno != EAGAIN))
                inputOpen_ = false;
            return;
        }
        input_.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = input_.find('\n')) != std::string::npos;) {
            command(input_.substr(0, end));
            input_.erase(0, end + 1);
        }
        if (input_.size() > 4096)
            input_.clear();
    }

    void command(std::string line) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        const std::size_t space = line.find(' ');
        const std::string word = line.substr(0, space);
        std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
        argument.erase(0, argument.find_first_not_of(' '));
        const bool printable = std::all_of(argument.begin(), argument.end(), [](char c) { return c >= 0x20; });
        const bool fits = printable && argument.size() <= 64;

        if (word == "card" && !argument.empty() && fits) {
            model_.presentCard(argument);
        } else if (word == "keys" && !argument.empty() && fits) {
            model_.presentKeys(argument);
        } else if (word == "hold" && !argument.empty() && fits) {
            model_.holdCard(argument);
        } else if (word == "lift") {
            model_.holdCard({});
        } else if (word == "silent") {
            model_.faults.silent = true;
        } else if (word == "talk") {
            model_.faults.silent = false;
        } else if (word == "vanish") {
            if (pty_.isOpen()) {
                pty_.close();
                out_.clear();
                remark("vanished");
            }
        } else if (word == "plug") {
            if (!pty_.isOpen())
                replug();
        } else if (word == "quit") {
            quit_ = true;
        } else if (word == "help") {
            std::fprintf(stderr, "card HEX | keys TEXT | hold HEX | lift | silent | talk | vanish | plug | quit\n");
        } else if (!word.empty()) {
            std::fprintf(stderr, "reader-sim: not understood: %s (try help)\n", line.c_str());
        }
    }

    const SimOptions& options_;
    ReaderModel model_;
    Pty pty_;
    OutQueue out_;
    std::vector<std::string> links_;
    std::uint64_t hostWireFreeUs_ = 0;
    std::uint64_t nextKeysUs_ = Never;
    std::uint64_t nextCardUs_ = Never;
    std::uint64_t modelPollUs_ = Never;
    unsigned entries_ = 0;
    unsigned cards_ = 0;
    bool inputOpen_ = true;
    bool quit_ = false;
    std::string input_;
};

} // namespace

int RunReaderSim(const SimOptions& options) {
    ReaderSim sim(options);
    return sim.run();
}

} // namespace sim
