#pragma once
// What an installer checks at a door once its reader has its settings: the line (a line test's figures and
// verdict) and a card presented (its number as the controller will see it). Neither undoes the settings: a door
// whose line fails keeps them, and its record and report say "line: fail".

#include <cstdint>
#include <optional>
#include <string>

namespace commission {

struct JobContext;
struct LineTest;

/// What a line test says of the line, for the installer to sign off.
enum class LineVerdict {
    Pass,     ///< every query answered, no bad checksum, the 99th percentile of the reply time under the limit
    Marginal, ///< at least 99 % answered, but a time-out, a bad checksum or a slow 99th percentile
    Fail,     ///< under 99 % answered
};

/// A line test's figures as a door keeps them (the record's columns, the report's line).
struct LineFigures {
    long long sent = 0;
    long long answered = 0;
    long long timeouts = 0;
    long long badChecksum = 0;
    long long echoes = 0;
    std::optional<std::uint32_t> p99; ///< ms; nothing when no query was answered
    LineVerdict verdict = LineVerdict::Fail;
};
LineFigures FiguresOf(const LineTest& test);
/// "pass", "marginal", "fail".
const char* VerdictName(LineVerdict verdict);
/// "pass" and the others back to the verdict; nothing for any other word.
std::optional<LineVerdict> VerdictNamed(const std::string& word);

/// What asking for a card at a door came to.
enum class CardState {
    Read,        ///< a card was presented and read
    WiegandMode, ///< the reader sends cards to the controller only, never over the serial line: not asked
    NoCard,      ///< none was presented in the time given
    Stopped,     ///< the user stopped the wait
    NoReply,     ///< the reader stopped answering the polls (or its port went away)
};
/// "read", "wiegand-mode", "no-card", "stopped", "no-reply": the record's words.
const char* CardStateWord(CardState state);
std::optional<CardState> CardStateNamed(const std::string& word);

struct DoorCard {
    CardState state = CardState::NoCard;
    std::uint32_t value = 0; ///< Read: the card as the reader reports it
};

/// What was checked at a door; nothing where it was not asked.
struct DoorChecks {
    std::optional<LineFigures> line;
    std::optional<DoorCard> card;
    bool empty() const { return !line && !card; }
};

/// How long a door waits for its card unless told: long enough to walk to the reader with one.
inline constexpr std::uint32_t CardWaitMs = 30000;
/// The pause between two polls, as card reading paces them.
inline constexpr std::uint32_t CardPollPauseMs = 80;

/// Whether a reader in this mode (the three digits of "H00A") reports cards over the serial line: RS485 output.
bool ReportsCards(const std::optional<std::string>& mode);

/// Polls the reader at reader.ComPortNo / ComSettings as card reading does, until the first whole card, `waitMs`,
/// the user stopping, or two polls in a row unanswered. Keypad entries are passed over.
DoorCard WaitForCard(const JobContext& c, std::uint32_t waitMs);

} // namespace commission
