#pragma once
// The catalogue of reader commands: the text of every command the tool sends, and where each reply carries its
// fields. The operations build their commands and read their replies with it, the reader model answers by it,
// and the tests name positions through it, so that a field moves in one place only.
//
// A command is "H", the address "00" (every command carries it, whatever the reader's ID), a letter and its
// arguments. A reply body is "H", the reader's ID where the address stood, the command's letter and a payload:
//   position 1 LF, 2 "H", 3-4 the ID, 5 the letter, 6 on the payload, then two checksum digits and the CR.

#include <string>
#include <string_view>

namespace protocol {

enum class Command : char {
    Info = 'B',    ///< the ID and serial number; also the presence query before every setting
    Version = 'V', ///< the firmware version
    Keys = 'L',    ///< the key count; with two digits, sets it
    Parity = 'M',  ///< the keycode parity; with one digit, sets it
    Mode = 'A',    ///< mode, Wiegand and RS485 length; with three digits, sets them
    Id = 'C',      ///< with the serial number and two digits: sets the ID
    Line = 'E',    ///< with the hexadecimal digit of a line-settings index: sets the line settings
    Poll = 'F',    ///< a presented card or keypad entry
};

/// "H00" and the letter: the query of `command`, or the head of its set command.
std::string Query(Command command);
/// "H00C", the serial number from the same attempt's "H00B" reply, the ID as it stands.
std::string SetIdCommand(std::string_view serial, std::string_view id);
/// "H00L" and the key count as it stands (two digits).
std::string SetKeysCommand(std::string_view keys);
/// "H00E" and the upper-case hexadecimal digit of `index` (0..11).
std::string SetLineCommand(int index);
/// "H00A" and three list indexes.
std::string SetModeCommand(int mode, int wiegand, int rs485);
/// "H00M" and the list index.
std::string SetParityCommand(int parity);

/// Positions `first` to `last` of a reply, 1-based with position 1 the LF.
struct Field {
    int first;
    int last;
    constexpr int length() const { return last - first + 1; }
};

inline constexpr int LetterPosition = 5;
inline constexpr int PayloadPosition = 6;
inline constexpr Field IdField{3, 4}; ///< every reply; "H00B" carries the reader's ID there
inline constexpr Field SerialField{PayloadPosition, PayloadPosition + 7};
inline constexpr Field VersionField{PayloadPosition, PayloadPosition + 7};
inline constexpr Field KeyCountField{PayloadPosition, PayloadPosition + 1};
inline constexpr Field ParityField{PayloadPosition, PayloadPosition};
/// Three digits: the mode, the Wiegand length and the RS485 length, each a list index.
inline constexpr Field ModeField{PayloadPosition, PayloadPosition + 2};
inline constexpr int ModeDigit = ModeField.first;
inline constexpr int WiegandDigit = ModeField.first + 1;
inline constexpr int Rs485Digit = ModeField.first + 2;
/// The one valid length of the reply to "H00B": LF, "H", ID, letter, serial number, checksum digits, CR.
inline constexpr int InfoReplyLength = 1 + 1 + IdField.length() + 1 + SerialField.length() + 2 + 1;
static_assert(InfoReplyLength == 16);

/// A poll reply's payload: "1", then "K" and the keys typed, or another letter and the card's eight hexadecimal
/// digits. The letter is tested on the bytes received, by index.
inline constexpr int PollKindIndex = PayloadPosition; ///< 0-based: position 7
inline constexpr char PollKeypad = 'K';
inline constexpr char PollCard = 'C';
inline constexpr Field CardField{PayloadPosition + 2, PayloadPosition + 9};
inline constexpr int KeysPosition = PayloadPosition + 2;
/// A poll reply shorter than this carries nothing to show.
inline constexpr int MinimumDataReply = 10;

/// Whether `frame` (every byte of a reply, LF to CR) may be a reply to the query of `command` (Version, Keys,
/// Parity or Mode): it is none when another command's letter stands at LetterPosition, as in a late reply to an
/// earlier command (the "H00B" reply is as long as the "H00V" one). The place is the reader's to fill, so any
/// other character there, or a reply too short to hold it, is taken; whether the field is whole and of its kind
/// is for the reader of the field to judge (ReplyDigits). False for the other commands.
bool RepliesTo(Command command, std::string_view frame);

/// "H", the reader's ID, the command's letter, the payload: a reply body laid out as the fields above read it.
std::string ReplyBody(std::string_view id, Command command, std::string_view payload);
/// The payload of a poll reply that reports a card or a keypad entry.
std::string PollPayload(bool keypad, std::string_view text);

} // namespace protocol
