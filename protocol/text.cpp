#include "text.h"

namespace protocol {

namespace {

bool Continuation(std::string_view text, std::size_t at) {
    return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
}

/// The length of the well-formed character at `at`, or 0.
std::size_t CharLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead == 0)
        return 0;
    if (lead < 0x80)
        return 1;
    // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + 1 >= text.size())
        return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!Continuation(text, at + i))
            return 0;
    }
    return length;
}

void AppendUtf8(std::string& text, char32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string FromUtf16(std::string_view bytes, bool bigEndian) {
    const auto unit = [&](std::size_t at) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return static_cast<char32_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    };
    std::string text;
    text.reserve(bytes.size());
    std::size_t at = 0;
    for (; at + 1 < bytes.size(); at += 2) {
        const char32_t code = unit(at);
        if (code >= 0xD800 && code <= 0xDBFF && at + 3 < bytes.size()) {
            const char32_t next = unit(at + 2);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendUtf8(text, 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00));
                at += 2;
                continue;
            }
        }
        AppendUtf8(text, code); // a lone surrogate too: FindNotUtf8 names its place
    }
    if (at < bytes.size())
        text += '\xFF'; // half a unit at the end
    return text;
}

} // namespace

std::optional<TextPlace> FindNotUtf8(std::string_view text) {
    TextPlace place;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = CharLength(text, at);
        if (length == 0) {
            place.offset = at;
            return place;
        }
        const char c = text[at];
        if (c == '\n' || (c == '\r' && (at + 1 == text.size() || text[at + 1] != '\n'))) {
            ++place.line;
            place.column = 1;
        } else if (c != '\r') {
            ++place.column;
        }
        at += length;
    }
    return std::nullopt;
}

std::string ShownAsUtf8(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = CharLength(text, at);
        if (length == 0) {
            shown += "\xEF\xBF\xBD";
            ++at;
        } else {
            shown.append(text.substr(at, length));
            at += length;
        }
    }
    return shown;
}

std::string TextFromFile(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return std::string(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return FromUtf16(bytes.substr(2), false);
    if (bytes.substr(0, 2) == "\xFE\xFF")
        return FromUtf16(bytes.substr(2), true);
    return std::string(bytes);
}

} // namespace protocol
