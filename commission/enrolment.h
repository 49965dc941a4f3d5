#pragma once
// Card enrolment: each card presented to the reader once, in a list of the site's cards for the access-control
// system's import. The list is a CSV file kept like the record: refused before anything starts when it cannot be
// written, each row on the disk before the next card is taken, continued (its cards known) when it exists. A face
// feeds the cards that its polling reads and shows what comes back.

#include "commission/card_views.h"
#include "commission/codes.h"
#include "commission/csv_appender.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace commission {

/// A card read again within this time of its last reading, with no other card between, is still on the reader:
/// the reader reports a held card at every poll, and a poll cycle with its beep stays well inside this.
inline constexpr std::uint32_t HeldCardMs = 600;

/// The tones a face sounds: a new card, and one presented again.
inline constexpr unsigned NewCardHz = 1000;
inline constexpr unsigned RepeatCardHz = 300;

/// Tells a card newly presented from one held on the reader.
class CardPresence {
public:
    /// True when `value`, read at `nowMs` (the system clock, which wraps), was presented anew.
    bool presented(std::uint32_t value, std::uint32_t nowMs);

private:
    std::optional<std::uint32_t> last_;
    std::uint32_t lastMs_ = 0;
};

struct EnrolledCard {
    std::string name; ///< the prefix and the card's place in the list: "Staff 4"
    std::uint32_t value = 0;
};

enum class EnrolOutcome {
    Held,     ///< the card still on the reader: nothing to tell
    Added,    ///< a new card, written to the list
    Repeat,   ///< a card in the list already, presented again; not added
    NotSaved, ///< a new card whose row could not be written (Enrolment::error() says why): the enrolment ends
};

struct EnrolEvent {
    EnrolOutcome outcome = EnrolOutcome::Held;
    EnrolledCard card; ///< Added, NotSaved: the new card; Repeat: the card as the list has it
    /// Added: an earlier card with the same 26-bit facility code and number; a controller reading 26 bits cannot
    /// tell the two apart.
    std::optional<EnrolledCard> sameW26;
};

struct EnrolStatus {
    long long added = 0;      ///< in this run
    long long repeats = 0;    ///< presentations of a card already listed
    long long collisions = 0; ///< cards added that share their W26 number with one listed before
    long long listed = 0;     ///< cards in the list, those it had before included
};

class Enrolment {
public:
    /// "time", "name", "hex", "decimal", "w26_facility", "w26_number", "w34_facility", "w34_number".
    static std::vector<std::string> Columns();
    /// Opens the list for appending into `opened`; an existing one must carry the header and its cards are
    /// known. NotSaved when it cannot be read or written, Usage when it is no card list (the line and what is
    /// wrong); `opened` stays empty then. Names are `prefix` and a counter. Each row is kept as the record's are
    /// (CsvAppender).
    static Failure Open(const std::string& path, std::string prefix, std::unique_ptr<Enrolment>& opened);
    ~Enrolment();
    Enrolment(const Enrolment&) = delete;
    Enrolment& operator=(const Enrolment&) = delete;

    /// A card the reader reported at `nowMs`.
    EnrolEvent present(std::uint32_t value, std::uint32_t nowMs);

    const EnrolStatus& status() const { return status_; }
    const std::vector<EnrolledCard>& cards() const { return cards_; }
    const std::string& path() const { return file_->path(); }
    /// Why the last new card was not listed: the disk took its row not, or the list is no longer the file opened
    /// (replaced, shortened, moved or removed by another program) and does not hold every row.
    const std::string& error() const { return file_->error(); }

private:
    Enrolment(std::unique_ptr<CsvAppender> file, std::string prefix, std::vector<EnrolledCard> cards);
    const EnrolledCard* find(std::uint32_t value, std::uint32_t mask) const;

    std::unique_ptr<CsvAppender> file_;
    std::string prefix_;
    std::vector<EnrolledCard> cards_;
    CardPresence presence_;
    EnrolStatus status_;
};

} // namespace commission
