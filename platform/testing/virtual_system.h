#pragma once
// Virtual-time double of System, for deterministic tests: nothing waits on a wall clock. A read that finds no
// byte advances time by 1 ms (or to the next byte's arrival, if sooner), a sleep or a beep by its length;
// readWaiting takes the bytes whose time has come and never advances it.
// Ports 1..16 are absent unless configured; a configured port is wired to a VirtualPeer (peer.h, the reader
// model), which sees every write together with the line settings in force, so a peer can ignore a host that
// speaks at the wrong baud rate or parity. Only tests, fuzz harnesses and benchmarks link this library.

#include "platform/peer.h"
#include "platform/system.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace platform {

class VirtualSystem : public System {
public:
    /// `clockStartMs` is the first reading of clockMs(), so tests can start just before the 2^32 wrap.
    explicit VirtualSystem(std::uint32_t clockStartMs = 0);
    ~VirtualSystem() override;

    struct PortConfig {
        bool exists = true;
        bool heldByOther = false;                           ///< opening fails with Busy
        OpenError refusal = OpenError::None;                ///< opening fails with this reason (not None)
        VirtualPeer* peer = nullptr;                        ///< not owned; nullptr: a silent line
        CommTimeouts initialTimeouts{50, 10, 100, 10, 100}; ///< what the port has before the tool touches it
    };
    void setPort(int portNo, const PortConfig& config);
    /// The adapter is unplugged: reads and writes on an open handle fail (at once) from now on, and opens fail
    /// until setPort() configures the port again.
    void vanish(int portNo);

    // ---- System ----
    PortHandle openPort(int portNo, OpenError* error = nullptr) override;
    bool getTimeouts(PortHandle port, CommTimeouts& out) override;
    bool setTimeouts(PortHandle port, const CommTimeouts& timeouts) override;
    bool applyLineSettings(PortHandle port, const std::string& text) override;
    std::size_t write(PortHandle port, const std::uint8_t* data, std::size_t count) override;
    ReadResult readByte(PortHandle port, std::uint8_t& byte) override;
    std::size_t readWaiting(PortHandle port, std::uint8_t* buffer, std::size_t size) override;
    void closePort(PortHandle port) override;
    std::uint32_t clockMs() override;
    void sleepMs(std::uint32_t ms) override;
    void beep(unsigned frequencyHz, unsigned durationMs) override;
    std::optional<Rgb> activeCaptionColour() override { return activeCaption; }
    bool lastBeepHeard() const override { return beepsHeard; }

    /// What activeCaptionColour() reports; none by default, whatever desktop the tests run on.
    std::optional<Rgb> activeCaption;
    /// False: a machine without a sound device, whose beeps only wait.
    bool beepsHeard = true;

    // ---- time ----
    std::uint64_t nowUs() const { return nowUs_; }
    std::uint64_t nowMs() const { return nowUs_ / 1000; }
    void advanceUs(std::uint64_t us);

    // ---- what happened, for assertions ----
    struct OpenRecord {
        int portNo;
        bool ok;
        std::uint64_t atUs;
    };
    struct LineRecord {
        int portNo;
        std::string text; ///< the line-settings text applied after the open
        std::uint64_t atUs;
    };
    /// One command frame as written (TAB .. CR), with the settings in force and the time its CR went out.
    struct FrameRecord {
        int portNo;
        std::string command; ///< the text between the TAB and the two checksum digits
        std::string raw;     ///< every byte of the frame
        std::string line;    ///< line-settings text in force
        std::uint64_t atUs;
    };
    struct BeepRecord {
        unsigned frequencyHz;
        unsigned durationMs;
        std::uint64_t atUs;
    };
    struct SleepRecord {
        std::uint32_t ms;
        std::uint64_t atUs;
    };
    struct WriteRecord {
        int portNo;
        std::string bytes;
        std::uint64_t atUs;
    };
    const std::vector<OpenRecord>& opens() const { return opens_; }
    const std::vector<LineRecord>& lines() const { return lines_; }
    const std::vector<FrameRecord>& frames() const { return frames_; }
    const std::vector<BeepRecord>& beeps() const { return beeps_; }
    const std::vector<SleepRecord>& sleeps() const { return sleeps_; }
    const std::vector<WriteRecord>& writes() const { return writes_; }
    /// The command texts of frames(), in order ("H00B", "H00V", ...).
    std::vector<std::string> commands() const;
    void clearRecords();

    bool isOpen(int portNo) const;
    /// The time-outs the port has now (open or closed).
    CommTimeouts timeoutsOf(int portNo) const;
    /// Number of opens that succeeded minus closes; 0 when nothing is left open.
    int openCount() const;

    /// Called after each complete command frame the host wrote, e.g. to click a button mid-operation.
    std::function<void(const FrameRecord&)> onFrame;
    /// Called at every sleepMs, after time has advanced.
    std::function<void(std::uint32_t ms)> onSleep;
    /// Called at every beep, before time advances by its length: what is on screen for the tone.
    std::function<void(const BeepRecord&)> onBeep;

private:
    struct Pending {
        std::uint64_t atUs;
        std::uint8_t byte;
    };
    struct Port;
    class Sink;
    Port* portOf(PortHandle handle);
    /// Lets the port's peer put out what it streams on its own by now.
    void pollPeer(Port& port);

    std::uint32_t clockStartMs_;
    std::uint64_t nowUs_ = 0;
    std::map<int, Port*> ports_;
    std::map<PortHandle, int> handles_;
    PortHandle nextHandle_ = 100;
    std::vector<OpenRecord> opens_;
    std::vector<LineRecord> lines_;
    std::vector<FrameRecord> frames_;
    std::vector<BeepRecord> beeps_;
    std::vector<SleepRecord> sleeps_;
    std::vector<WriteRecord> writes_;
};

} // namespace platform
