#pragma once
// The reader's side of the frame, free of I/O: what it accepts from the host and how it builds a reply. Kept
// apart from link/ on purpose, so that tests of the link against the reader check one implementation of the
// frame against another.

#include "platform/system.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

/// The twelve line settings the reader can listen at, by the index that "H00E" carries.
inline constexpr int ReaderLineCount = 12;
extern const char* const ReaderLines[ReaderLineCount];

/// The settings of line index `index` (0..11); false for any other index.
bool ReaderLine(int index, platform::LineSettings& out);

/// Microseconds one character takes on `line`: start bit, data bits, parity bit if any, stop bits.
std::uint32_t CharacterTimeUs(const platform::LineSettings& line);

/// Two upper-case hexadecimal digits, high nibble first.
std::string HexDigits(std::uint8_t byte);

/// XOR of every byte, starting from 0.
std::uint8_t XorOf(std::string_view bytes);

/// The command text of a host frame (TAB, text, two upper-case checksum digits, CR), or nothing when the frame
/// is malformed or its checksum (XOR of the TAB and the text) does not match.
std::optional<std::string> ParseCommandFrame(std::string_view frame);

/// A reply frame: LF, body, the two checksum digits of LF and body, CR.
std::string BuildReplyFrame(std::string_view body);

} // namespace sim
