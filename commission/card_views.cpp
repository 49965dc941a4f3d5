#include "card_views.h"

#include <bit>
#include <cctype>
#include <cstdio>

namespace commission {

namespace {

/// The frame of `dataBits` data bits (MSB first) between its two parity bits.
std::string Frame(std::uint32_t data, int dataBits) {
    const int half = dataBits / 2;
    const std::uint32_t low = data & ((1u << half) - 1);
    const std::uint32_t high = data >> half;
    std::string frame(1, std::popcount(high) % 2 ? '1' : '0'); // makes the first half's ones even
    for (int bit = dataBits - 1; bit >= 0; --bit)
        frame += (data >> bit) & 1u ? '1' : '0';
    frame += std::popcount(low) % 2 ? '0' : '1'; // makes the second half's ones odd
    return frame;
}

/// What a controller reads from a frame of 26 or 34 bits.
WiegandView Decode(const std::string& frame) {
    WiegandView view;
    view.bits = static_cast<int>(frame.size());
    const int dataBits = view.bits - 2;
    const int half = dataBits / 2;
    int firstOnes = 0;
    int secondOnes = 0;
    for (int i = 0; i < view.bits; ++i) {
        const bool one = frame[static_cast<std::size_t>(i)] == '1';
        if (i <= half)
            firstOnes += one;
        else
            secondOnes += one;
        if (i > 0 && i <= dataBits)
            view.whole = (view.whole << 1) | (one ? 1u : 0u);
    }
    view.evenParity = frame.front() == '1';
    view.oddParity = frame.back() == '1';
    view.parityOk = firstOnes % 2 == 0 && secondOnes % 2 == 1;
    view.facility = view.whole >> 16;
    view.number = view.whole & 0xFFFFu;
    view.frame = frame;
    return view;
}

std::string Inverted(std::string frame) {
    for (char& bit : frame)
        bit = bit == '1' ? '0' : '1';
    return frame;
}

/// The digits as an unsigned number up to `max` in `base`; nothing for anything else.
std::optional<std::uint32_t> Number(const std::string& digits, int base, std::uint64_t max) {
    if (digits.empty() || digits.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : std::isxdigit(static_cast<unsigned char>(c))
                              ? std::toupper(static_cast<unsigned char>(c)) - 'A' + 10
                              : base;
        if (digit >= base)
            return std::nullopt;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    }
    if (value > max)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

} // namespace

CardViews ViewsOf(std::uint32_t value) {
    CardViews views;
    views.value = value;
    views.reversed = ((value & 0xFFu) << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) | (value >> 24);
    const std::string w26 = Frame(value & 0xFFFFFFu, 24);
    const std::string w34 = Frame(value, 32);
    views.w26 = Decode(w26);
    views.w34 = Decode(w34);
    views.w26Swapped = Decode(Inverted(w26));
    views.w34Swapped = Decode(Inverted(w34));
    return views;
}

std::string HexText(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

std::string DecimalText(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%010u", static_cast<unsigned>(value));
    return text;
}

std::string PairText(const WiegandView& view) {
    char text[32];
    std::snprintf(text, sizeof text, view.bits == 26 ? "%03u:%05u" : "%05u:%05u", static_cast<unsigned>(view.facility),
                  static_cast<unsigned>(view.number));
    return text;
}

std::optional<CardExpectation> ParseExpectation(const std::string& text) {
    CardExpectation expected;
    expected.text = text;
    if (const std::size_t colon = text.find(':'); colon != std::string::npos) {
        const std::optional<std::uint32_t> facility = Number(text.substr(0, colon), 10, 0xFFFF);
        const std::optional<std::uint32_t> number = Number(text.substr(colon + 1), 10, 0xFFFF);
        if (!facility || !number)
            return std::nullopt;
        expected.facility = *facility;
        expected.number = *number;
        return expected;
    }
    const auto hex = [](const std::string& digits) -> std::optional<std::uint32_t> {
        return digits.size() <= 8 ? Number(digits, 16, 0xFFFFFFFFu) : std::nullopt;
    };
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        expected.value = hex(text.substr(2));
    else if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H'))
        expected.value = hex(text.substr(0, text.size() - 1));
    else if (text.find_first_not_of("0123456789") == std::string::npos)
        expected.value = Number(text, 10, 0xFFFFFFFFu);
    else
        expected.value = hex(text);
    if (!expected.value)
        return std::nullopt;
    return expected;
}

std::optional<CardMatch> MatchCard(const CardViews& card, const CardExpectation& expected) {
    const CardViews reversed = ViewsOf(card.reversed);
    struct Candidate {
        CardForm form;
        bool reversed;
        bool swapped;
        const WiegandView* view;
    };
    if (expected.value) {
        // A number is read whole: as reported, or as a controller shows a frame's data bits as one number.
        const Candidate numbers[] = {
            {CardForm::Number, false, false, nullptr},      {CardForm::W26, false, false, &card.w26},
            {CardForm::Number, true, false, nullptr},       {CardForm::W26, false, true, &card.w26Swapped},
            {CardForm::W34, false, true, &card.w34Swapped},
        };
        for (const Candidate& c : numbers) {
            const std::uint32_t value = c.view ? c.view->whole : c.reversed ? card.reversed : card.value;
            if (value == *expected.value)
                return CardMatch{c.form, c.reversed, c.swapped, c.view ? *c.view : WiegandView{}};
        }
        return std::nullopt;
    }
    const Candidate pairs[] = {
        {CardForm::W26, false, false, &card.w26},       {CardForm::W34, false, false, &card.w34},
        {CardForm::W26, false, true, &card.w26Swapped}, {CardForm::W34, false, true, &card.w34Swapped},
        {CardForm::W26, true, false, &reversed.w26},    {CardForm::W34, true, false, &reversed.w34},
    };
    for (const Candidate& c : pairs) {
        if (c.view->facility == expected.facility && c.view->number == expected.number)
            return CardMatch{c.form, c.reversed, c.swapped, *c.view};
    }
    return std::nullopt;
}

} // namespace commission
