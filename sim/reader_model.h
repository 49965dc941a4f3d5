#pragma once
// A simulated keypad card reader: its settings, its answer to every command the tool sends, the cards and
// keypad entries it has to report, and knobs for the faults that the tool must survive. The same model runs
// behind a virtual port in tests and behind a pseudo-terminal in reader-sim.
//
// Replies carry the fields where the catalogue of commands (protocol/commands.h) places them (1-based, position 1
// the LF):
//   "H00B"  H id B serial        id at 3-4, serial at 6-13 (16 bytes in all)
//   "H00V"  H id V version       version at 6-13
//   "H00L"  H id L keys          key count at 6-7
//   "H00M"  H id M parity        parity digit at 6
//   "H00A"  H id A mode          mode, Wiegand and RS485 digits at 6-8
//   "H00F"  H id F 1 C card      card: 8 hex digits at 8-15 (18 bytes)
//           H id F 1 K keys      keypad entry: the keys from 8 to len-3
//           H id F               nothing presented (8 bytes)
// A set command answers like its query, with the new value.

#include "platform/peer.h"
#include "protocol/commands.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace sim {

class ReaderModel : public platform::VirtualPeer {
public:
    /// Fields are texts, not numbers, so that a reader with non-digit characters in a numeric field is just a
    /// state (id = "X7", say).
    struct State {
        std::string id = "01";            ///< 2 characters
        std::string serial = "20240117";  ///< 8 characters
        std::string version = "03.20-01"; ///< 8 characters
        std::string keyCount = "04";      ///< 2 characters
        bool paritySupported = true;      ///< false: "H00M" and "H00M<d>" go unanswered
        std::string parity = "0";         ///< 1 character
        std::string mode = "001";         ///< mode, Wiegand length, RS485 length
        int lineIndex = 5;                ///< the entry of BaudRateTable it listens at
    };

    struct Faults {
        bool silent = false;
        std::uint32_t answerDelayUs = 3000; ///< from the end of the command's CR to the reply
        bool pacing = true;                 ///< bytes one character time apart; off: all at once
        bool badChecksum = false;
        bool lowerCaseChecksum = false; ///< letter digits of the checksum in lower case (none: no effect)
        bool noiseBeforeLf = false;     ///< one 0xFF byte ahead of every reply
        /// A burst of this many bytes ahead of every reply (and after the 0xFF), as a converter makes when it
        /// turns the line around: zero bytes, CRs, 0xFF and others, never an LF.
        std::size_t noiseBytes = 0;
        /// The line hears the host's every byte back as it goes out, at the host's own line setting, whatever
        /// the reader makes of it: a 2-wire converter that keeps its receiver on.
        bool echo = false;
        int infoReplyLength = 16; ///< length of the "H00B" reply: 15 and 17 are the faulty ones
        /// Letter -> how many of its next commands go unanswered; -1: all of them.
        std::map<char, int> muted;
        int stopAfterPolls = -1;         ///< after this many answered "H00F" the reader answers nothing
        int zeroBytePosition = 0;        ///< this 1-based position (2 or more) of every reply is a zero byte,
                                         ///< the checksum still right; 0: none
        std::size_t replyBodyLength = 0; ///< bodies padded with '0' up to this length (over 1020: over-long)
        bool babble = false;             ///< streams 'U' bytes without end, never a frame
        /// Letters of set commands the reader acknowledges as usual but does not take: its reply and its state
        /// keep the old value.
        std::string ignoredSets;
        /// A reply is put on the line when it is due, not queued at the command: one still on its way when the
        /// host closes the port and opens it again at once reaches the new open, as on a real line (the virtual
        /// port drops what is queued at a close).
        bool repliesOutliveClose = false;
    };

    State state;
    Faults faults;

    /// Queues a card (8 hexadecimal digits) or a keypad entry for the next "H00F" polls, one per poll.
    void presentCard(const std::string& hexDigits);
    void presentKeys(const std::string& keys);
    /// A card that stays on the reader: reported by every poll that finds the queue empty. Empty lifts it.
    void holdCard(const std::string& hexDigits) { heldCard_ = hexDigits; }
    std::size_t queued() const { return presented_.size(); }

    /// The reply frame (LF .. CR, faults applied) to a command text, updating the state as the reader
    /// would; empty when the reader does not answer. Timing and line settings are hostWrote's business.
    std::string answer(const std::string& command);

    /// The line settings the reader listens at now.
    platform::LineSettings line() const;

    /// Commands heard (frame and checksum right, host on the reader's line), answered or not.
    const std::vector<std::string>& heard() const { return heard_; }

    /// What the reader hears and says, for reader-sim's log: direction '>' host to reader, '<' reader to host,
    /// '!' a remark (a frame ignored, a line change).
    std::function<void(std::uint64_t atUs, char direction, const std::string& text)> trace;

    // ---- VirtualPeer ----
    void hostWrote(const std::uint8_t* data, std::size_t count, const platform::LineSettings& line, std::uint64_t nowUs,
                   platform::ReplySink& reply) override;
    void poll(std::uint64_t nowUs, platform::ReplySink& reply) override;

private:
    struct Presented {
        bool keypad;
        std::string text;
    };
    std::string body(protocol::Command command, const std::string& payload) const;
    std::string frame(std::string body) const;
    std::string answerPoll();
    void applyDueLineChange(std::uint64_t nowUs);
    void note(std::uint64_t atUs, char direction, const std::string& text) const;

    std::deque<Presented> presented_;
    std::string heldCard_;
    std::vector<std::string> heard_;
    std::string rx_;                   ///< the host frame being received, from its TAB
    int polls_ = 0;                    ///< answered "H00F"
    bool stopped_ = false;             ///< stopAfterPolls reached
    std::uint64_t busyUntilUs_ = 0;    ///< the last reply byte still on its way
    std::uint64_t hostWireFreeUs_ = 0; ///< the host's last byte has crossed the wire (for the echo)
    int pendingLine_ = -1;             ///< "H00E" takes effect once its reply is out
    std::uint64_t pendingLineAtUs_ = 0;
    std::uint64_t babbleAtUs_ = 0;
    struct Due {
        std::string bytes;
        std::uint64_t firstAtUs;
        std::uint32_t spacingUs;
    };
    std::deque<Due> due_; ///< replies not yet on the line (repliesOutliveClose)
};

} // namespace sim
