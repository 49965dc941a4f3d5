#pragma once
// The reader protocol as pure functions over bytes and texts: the line-settings table, both frames and their
// one checksum, and the fields of a reply. Nothing here keeps state; the link sends and receives on top of it.
// What each command says and where its reply carries each field is the catalogue of commands.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace protocol {

struct Field;

// ---- line settings ----

inline constexpr int BaudRateCount = 12;
/// The twelve line-settings texts, by the index that "H00E" carries ("0" to "9", "A", "B").
inline constexpr const char* BaudRateTable[BaudRateCount] = {
    "4800,n,8,1",  "4800,e,8,1",  "9600,n,8,1",  "9600,e,8,1",  "19200,n,8,1",  "19200,e,8,1",
    "38400,n,8,1", "38400,e,8,1", "57600,n,8,1", "57600,e,8,1", "115200,n,8,1", "115200,e,8,1",
};
inline constexpr int DefaultBaudRateIndex = 5;
inline constexpr const char* DefaultComSettings = BaudRateTable[DefaultBaudRateIndex];

// ---- frames ----

/// A command text longer than this does not fit the frame's 8-bit length.
inline constexpr std::size_t MaxCommandText = 255;

/// XOR of the bytes, starting from `start`: the checksum of both frames.
std::uint8_t XorChecksum(std::span<const std::uint8_t> bytes, std::uint8_t start = 0);
std::uint8_t XorChecksum(std::string_view bytes, std::uint8_t start = 0);
/// XOR of 0x09 and the text's bytes.
std::uint8_t CommandChecksum(const char* text, int length);
/// Two upper-case hexadecimal digits, high nibble first.
std::array<char, 2> ByteToHex(std::uint8_t byte);
/// A reply frame's two digits before its last byte against the XOR of every byte before them; false for
/// fewer than four bytes. Lower-case digits do not match.
bool ReplyChecksumRight(std::span<const std::uint8_t> frame);
/// TAB, text, the checksum digits of TAB and text, CR; nothing for a text over MaxCommandText characters.
std::optional<std::string> BuildCommandFrame(std::string_view text);
/// LF, body, the checksum digits of LF and body, CR.
std::string BuildReplyFrame(std::string_view body);
/// The command text of a host frame (TAB, text, two upper-case checksum digits, CR); nothing when the frame
/// is malformed or its checksum does not match.
std::optional<std::string> ParseCommandFrame(std::string_view frame);
/// First eight characters as hexadecimal digits; any other character, or a missing one, counts as 0.
std::uint32_t HexToUInt32(std::string_view text);

// ---- reply fields ----

/// Positions `first` to `last` of a reply (1-based, position 1 the LF), never outside it: a short reply
/// gives a short or empty field.
std::string ReplyBytes(std::string_view reply, int first, int last);
/// The same for a field of the catalogue (commands.h).
std::string ReplyBytes(std::string_view reply, const Field& field);
/// The decimal value of a one-character field that names an item 0..count-1; -1 otherwise.
int ReplyDigit(std::string_view reply, int position, int count);
/// True when the field's positions lie in the body of a complete reply frame (before its checksum digits)
/// and are all decimal digits as the reply text has them. `frame` is every byte of the frame, LF to CR: the
/// text ends at its first zero byte, a zero byte inside the field or before it fails the field, one after it
/// does not.
bool ReplyDigits(std::string_view frame, const Field& field);
/// Reply characters are 8-bit and shown as Latin-1; the window and the messages take UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);
/// UTF-8 as typed to the reader's 8-bit characters; nothing for a character outside Latin-1.
std::optional<std::string> Utf8ToLatin1(std::string_view text);

/// A card or a keypad entry reported by "H00F".
struct PolledEntry {
    bool keypad = false;
    std::string characters;   ///< the keys, or the card's eight hexadecimal digits as received (fewer if short)
    std::uint32_t number = 0; ///< a card's digits read by HexToUInt32
    /// `characters` without what lies beyond the body of a short reply (checksum digits, CR).
    std::string digits;
};
/// The entry in a poll reply: `received` is every byte that arrived (the K test reads its index 6), `reply`
/// the text up to its first zero byte. Nothing for a reply under ten bytes or a keypad reply without keys.
std::optional<PolledEntry> ReadPolledEntry(std::span<const std::uint8_t> received, std::string_view reply);

} // namespace protocol
