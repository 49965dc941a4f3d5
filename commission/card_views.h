#pragma once
// A card as the controllers behind the reader show it. The reader reports 32 bits ("H00F"); a controller gets them
// as a Wiegand frame of 26 bits (a facility code and a card number from the low 24 bits) or of 34 bits (all 32),
// and shows what the frame says: its own numbers, the bytes in the other order, or every bit inverted when the
// D0 and D1 wires are swapped. Pure functions; a face words them.

#include <cstdint>
#include <optional>
#include <string>

namespace commission {

/// A Wiegand frame as a controller decodes it.
struct WiegandView {
    int bits = 0;               ///< 26 or 34
    std::uint32_t facility = 0; ///< 0-255 (26 bits) or 0-65535 (34 bits)
    std::uint32_t number = 0;   ///< 0-65535
    std::uint32_t whole = 0;    ///< facility and number as one number: the frame's 24 or 32 data bits
    int evenParity = 0;         ///< the first bit: even parity over the first half of the data bits
    int oddParity = 0;          ///< the last bit: odd parity over the second half
    bool parityOk = true;       ///< whether a controller that checks the parity takes the frame
    std::string frame;          ///< the bits in the order sent, "0" and "1"
};

struct CardViews {
    std::uint32_t value = 0;    ///< as the reader reports it
    std::uint32_t reversed = 0; ///< its four bytes in the opposite order
    WiegandView w26;
    WiegandView w34;
    WiegandView w26Swapped; ///< the frame with D0 and D1 swapped: every bit inverted
    WiegandView w34Swapped;
};

CardViews ViewsOf(std::uint32_t value);

/// "499602D2".
std::string HexText(std::uint32_t value);
/// "0005077571": ten digits, as the window shows a card.
std::string DecimalText(std::uint32_t value);
/// "077:30211" for 26 bits, "00077:30211" for 34: the facility code and the number as a controller prints them.
std::string PairText(const WiegandView& view);

/// What an installer expects a card to be: a number (decimal, or hexadecimal with 0x or a trailing h, or with a
/// letter A-F in it) or a facility code and number ("077:30211").
struct CardExpectation {
    std::optional<std::uint32_t> value;
    std::uint32_t facility = 0;
    std::uint32_t number = 0;
    std::string text; ///< as given
};
/// Nothing for a text that is neither.
std::optional<CardExpectation> ParseExpectation(const std::string& text);

enum class CardForm { Number, W26, W34 };

/// Under which view a card matches an expectation.
struct CardMatch {
    CardForm form = CardForm::Number;
    bool reversed = false; ///< with the bytes reversed
    bool swapped = false;  ///< with D0 and D1 swapped
    WiegandView view;      ///< the frame matched, for W26 and W34
};
/// The first view, in the order of the commonest mistakes, under which the card matches; nothing when none does.
std::optional<CardMatch> MatchCard(const CardViews& card, const CardExpectation& expected);

} // namespace commission
