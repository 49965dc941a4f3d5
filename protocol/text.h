#pragma once
// Text from outside (a file, the command line) is checked as UTF-8 where it is read, so that nothing past the door
// (JSON, the record, the report, a terminal) ever meets a byte that is not. Pure functions, no I/O.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace protocol {

/// Where a text stops being UTF-8.
struct TextPlace {
    std::size_t offset = 0; ///< of the first byte that is not
    int line = 1;           ///< 1-based; CRLF, LF and a lone CR each end a line
    int column = 1;         ///< 1-based, in characters
};

/// The first byte that is not part of a well-formed UTF-8 character (an overlong form, a surrogate, a code point
/// past U+10FFFF, a stray continuation byte) or is a NUL, which no text holds; nothing when all of it is text.
std::optional<TextPlace> FindNotUtf8(std::string_view text);
inline bool IsUtf8(std::string_view text) {
    return !FindNotUtf8(text);
}

/// The text with each byte that is not UTF-8 shown as U+FFFD, to name a value in a message.
std::string ShownAsUtf8(std::string_view text);

/// A text file's bytes as UTF-8: a UTF-8 byte-order mark taken off, UTF-16 (little or big end first, known by its
/// mark) converted. A lone surrogate is kept as the three bytes UTF-8 would give it, which FindNotUtf8 refuses;
/// a file in any other encoding is returned as it is, for FindNotUtf8 to refuse.
std::string TextFromFile(std::string_view bytes);

} // namespace protocol
