#pragma once
// The settings a reader is commissioned with, one row each, carrying what the setting is and what it does: the
// word `set` takes and the plan's column, its help, how its words are parsed, the text the reader reports back,
// the operation that sends it, the reply field it is read back from, how it reads in words, its factory default
// and its record column. Parsing, the help, the set sequence, the read-back, the comparison, JSON, the record,
// the plan, the report and the site window's columns loop over this table; nothing else names a setting. The
// completion and the man page are held to it by a test.

#include "localisation/message_table.h"
#include "operations/operations.h"
#include "protocol/protocol.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace commission {

/// In the order a reader takes them: the line setting last, since the reader answers only at the new one after.
enum class Setting { Id, Keys, Mode, Parity, Line };
inline constexpr int SettingCount = 5;

/// A setting's value, parsed once.
struct Value {
    Setting setting = Setting::Id;
    int chosen = 0;        ///< id 1..99, keys 0..20, parity 0..1, line: the index of BaudRateTable
    bool stepping = false; ///< id N+: the first reader gets N, each next one N+1
    int mode = 0;          ///< mode: 0 Wiegand, 1 RS485
    int wiegand = 0;       ///<   Wiegand length 0 = 26, 1 = 34, 2 = 42
    int rs485 = 0;         ///<   RS485 length 0 = 24, 1 = 32, 2 = 40
};

/// Who reads a value in words: each has its own way of putting it.
enum class Wording {
    Window, ///< the site window's table: "Wiegand 26 (RS485 32)", "No Parity 4 bits"
    Report, ///< the as-built report: "Wiegand 26 (001)", "none"
    Scan,   ///< readerctl's scan, a line each: "Wiegand, Wiegand 26, RS485 32"
};

struct SettingRow {
    Setting setting;
    const char* name;             ///< the word after `set`, the plan's column, the key in JSON's `asked` and `read`
    localisation::TextId label;   ///< how a sentence names it: "ID 12", "keys 06"
    localisation::TextId heading; ///< its column's heading in the site window, its caption in a scan
    localisation::TextId choice;  ///< its check box in the site window: "Reader ID, counting up from"
    int words;                    ///< words of its value on the command line
    const char* values;           ///< as the help names them
    const char* help;
    /// The choices of each word as a list shows them; none for a number.
    struct Choices {
        const char* const* items = nullptr;
        int count = 0;
    } lists[3];
    /// Fills `out` from as many words as `words` (counted already); an empty text, else what is wrong.
    std::string (*parse)(const SettingRow& row, const std::vector<std::string>& words, bool stepping, Value& out);
    /// The value as the reader reports it back; `idOffset` is added to a value that counts up.
    std::string (*readerText)(const Value& value, int idOffset);
    /// Sends it through the window's set sequence.
    operations::Result (*send)(const operations::Context& c, const Value& value, int idOffset);
    /// The reply field it is read back from; none for the followed setting, whose value is where the reader
    /// answers.
    std::optional<std::string> operations::ReaderInfo::*field;
    /// Set where a reader may lack the setting: whether it has it. A reader without it neither answers its query
    /// nor takes it; it is left out (with the note `lacking`, or `unknown` when the factory default cannot tell).
    std::optional<bool> operations::ReaderInfo::*present;
    localisation::TextId lacking;
    localisation::TextId unknown;
    /// A value as the reader reports it, in words for `wording`; nothing when it reads as it is (and, for a
    /// scan, an empty text when it is not shown).
    std::optional<std::string> (*inWords)(const std::string& value, Wording wording);
    const char* factoryDefault; ///< as the reader reports it back
    const char* column;         ///< the record's column of the value read back
    /// The reader answers only at the new value after, and the job follows it there (the line setting).
    bool followed;
    /// `N+` counts up from reader to reader, and the value names the reader: noted before it is sent, known to be
    /// the reader's once acknowledged, and one per row of a plan (the ID).
    bool counts;
    /// Its place among a scan's lines and the fields of JSON's `read`, as the window has always shown them.
    int scanPlace;
    /// A scan that could not read it back is incomplete. Not the ID: it comes in the answer that found the
    /// reader, and the scan judges it there.
    bool scanNeeds;
};

/// What each setting does, as its row in SettingTable names it (settings_table.cpp).
namespace rows {
using Parse = std::string(const SettingRow& row, const std::vector<std::string>& words, bool stepping, Value& out);
using Text = std::string(const Value& value, int idOffset);
using Sender = operations::Result(const operations::Context& c, const Value& value, int idOffset);
using Words = std::optional<std::string>(const std::string& value, Wording wording);
Parse ParseId, ParseKeys, ParseMode, ParseParity, ParseLine;
Text IdText, KeysText, ModeText, ParityText, LineText;
Sender SendId, SendKeys, SendMode, SendParity, SendLine;
Words ModeWords, ParityWords, AsItIs; ///< AsItIs: a value that reads as it is
} // namespace rows

// clang-format off
inline constexpr SettingRow SettingTable[SettingCount] = {
    {Setting::Id, "id", localisation::stId, localisation::txIdLabel, localisation::swIdFrom, 1, "N | N+",
     "reader ID, 1 to 99; N+ (with --repeat): N, then N+1 for each next reader", {},
     rows::ParseId, rows::IdText, rows::SendId, &operations::ReaderInfo::id, nullptr, {}, {}, rows::AsItIs, "01", "id",
     false, true, 0, false},
    {Setting::Keys, "keys", localisation::stKeys, localisation::txKeyNum, localisation::swKeyCount, 1, "N",
     "number of keypad keys, 0 to 20", {},
     rows::ParseKeys, rows::KeysText, rows::SendKeys, &operations::ReaderInfo::keys, nullptr, {}, {}, rows::AsItIs, "04", "keys",
     false, false, 1, true},
    {Setting::Mode, "mode", localisation::stMode, localisation::swColMode, localisation::swOutputMode, 3,
     "MODE WIEGAND RS485", "wiegand|rs485, Wiegand length 26|34|42, RS485 length 24|32|40",
     {{operations::ModeItems, operations::ModeItemCount}, {operations::WiegandItems, operations::LengthItemCount},
      {operations::Rs485Items, operations::LengthItemCount}},
     rows::ParseMode, rows::ModeText, rows::SendMode, &operations::ReaderInfo::mode, nullptr, {}, {}, rows::ModeWords, "001", "mode",
     false, false, 3, true},
    {Setting::Parity, "parity", localisation::stParity, localisation::swColParity, localisation::swKeyParity, 1,
     "0|1", "keycode parity: 0 no parity (4 bits), 1 with parity",
     {{operations::ParityItems, operations::ParityItemCount}},
     rows::ParseParity, rows::ParityText, rows::SendParity, &operations::ReaderInfo::parity, &operations::ReaderInfo::hasParity,
     localisation::cmParityLeftOut, localisation::cmParityUnknown, rows::ParityWords, "0", "parity",
     false, false, 2, true},
    {Setting::Line, "line", localisation::stLine, localisation::swColLine, localisation::swLineSetting, 1,
     "SETTING", "line settings: an index 0 to 11 or a text such as 19200,e,8,1",
     {{protocol::BaudRateTable, protocol::BaudRateCount}},
     rows::ParseLine, rows::LineText, rows::SendLine, nullptr, nullptr, {}, {}, rows::AsItIs, protocol::DefaultComSettings, "line",
     true, false, 4, false},
};
// clang-format on

/// Each row sits at its setting's place: arrays indexed by Setting hold the same setting as the table.
constexpr bool InSettingOrder() {
    for (int i = 0; i < SettingCount; ++i) {
        if (SettingTable[i].setting != static_cast<Setting>(i))
            return false;
    }
    return true;
}
static_assert(InSettingOrder(), "SettingTable's rows in the order of Setting");

/// The highest reader ID; `id N+` gives no ID above it.
inline constexpr int LastId = 99;

/// A setting's place in SettingTable and in arrays indexed by Setting.
constexpr std::size_t IndexOf(Setting setting) {
    return static_cast<std::size_t>(setting);
}
inline const SettingRow& RowOf(Setting setting) {
    return SettingTable[IndexOf(setting)];
}
/// The row named `name`, or nullptr.
const SettingRow* FindSetting(const std::string& name);
/// The rows in the order a scan shows them.
std::vector<const SettingRow*> RowsInScanOrder();
/// The row whose value counts up (the ID), or nullptr.
const SettingRow* CountingRow();

/// Parses a setting's words; an empty text when it is fine, else what is wrong ("keys 21: 0 to 20").
/// `stepping`: whether a value counting up (id N+) is allowed here. "wiegand 26 32" for a mode is accepted as
/// its index form "0 0 1" and, in one word, as the reader's own digits "001" (how the record writes it).
std::string ParseValue(const SettingRow& row, const std::vector<std::string>& words, bool stepping, Value& out);

/// The value as the reader reports it back: "12", "06", "011", "1", and for the line its text. `idOffset` is
/// added to a stepping ID.
std::string ReaderText(const Value& value, int idOffset = 0);

/// Sends the value through the window's set sequence.
operations::Result Send(const operations::Context& c, const Value& value, int idOffset = 0);

/// The field that reads `setting` back: nothing where the reader did not give it, nor where the reader lacks
/// the setting. `line` is where the reader answered.
std::optional<std::string> ReadField(Setting setting, const operations::ReaderInfo& info, const std::string& line);

/// Whether the reader is known to lack `row`'s setting.
bool Lacks(const SettingRow& row, const operations::ReaderInfo& info);

/// Each word of a value as a number: the number itself, or the index of the word's choice.
std::vector<int> Numbers(const Value& value);

/// A value as the reader reports it, in words for `wording`, or as it is.
std::string InWords(Setting setting, const std::string& value, Wording wording);

/// The values one reader is to take, at most one per setting.
class Request {
public:
    /// False when the setting is there already.
    bool add(const Value& value);
    const std::optional<Value>& operator[](Setting setting) const { return values_[IndexOf(setting)]; }
    bool empty() const;
    /// The values in the order they are sent.
    std::vector<Value> inOrder() const;

private:
    std::array<std::optional<Value>, SettingCount> values_{};
};

} // namespace commission
