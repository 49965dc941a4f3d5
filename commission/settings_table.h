#pragma once
// The settings a reader is commissioned with, one row each: the word `set` takes and the plan's column, how many
// words its value takes, what it accepts, its help line, its JSON key and its record column. Parsing, the help,
// the set sequence, the read-back, JSON, the record and the plan all read this table; the completion and the
// man page are held to it by a test.

#include "localisation/message_table.h"
#include "operations/operations.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace commission {

/// In the order a reader takes them: the line setting last, since the reader answers only at the new one after.
enum class Setting { Id, Keys, Mode, Parity, Line };
inline constexpr int SettingCount = 5;

struct SettingRow {
    Setting setting;
    const char* name;           ///< the word after `set`, the plan's column, the key in JSON's `asked` and `read`
    localisation::TextId label; ///< how a sentence names it: "ID 12", "keys 06"
    int words;                  ///< words of its value on the command line
    const char* values;         ///< as the help names them
    const char* help;
    const char* column; ///< the record's column of the value read back
};

inline constexpr SettingRow SettingTable[SettingCount] = {
    {Setting::Id, "id", localisation::stId, 1, "N | N+",
     "reader ID, 1 to 99; N+ (with --repeat): N, then N+1 for each next reader", "id"},
    {Setting::Keys, "keys", localisation::stKeys, 1, "N", "number of keypad keys, 0 to 20", "keys"},
    {Setting::Mode, "mode", localisation::stMode, 3, "MODE WIEGAND RS485",
     "wiegand|rs485, Wiegand length 26|34|42, RS485 length 24|32|40", "mode"},
    {Setting::Parity, "parity", localisation::stParity, 1, "0|1", "keycode parity: 0 no parity (4 bits), 1 with parity",
     "parity"},
    {Setting::Line, "line", localisation::stLine, 1, "SETTING",
     "line settings: an index 0 to 11 or a text such as 19200,e,8,1", "line"},
};

/// The highest reader ID; `id N+` gives no ID above it.
inline constexpr int LastId = 99;

/// A setting's place in SettingTable and in arrays kept in its order.
constexpr std::size_t IndexOf(Setting setting) {
    return static_cast<std::size_t>(setting);
}
inline const SettingRow& RowOf(Setting setting) {
    return SettingTable[IndexOf(setting)];
}
/// The row named `name`, or nullptr.
const SettingRow* FindSetting(const std::string& name);

/// A setting's value, parsed once.
struct Value {
    Setting setting = Setting::Id;
    int number = 0;        ///< id 1..99, keys 0..20, parity 0..1, line: the index of BaudRateTable
    bool stepping = false; ///< id N+: the first reader gets N, each next one N+1
    int mode = 0;          ///< mode: 0 Wiegand, 1 RS485
    int wiegand = 0;       ///<   Wiegand length 0 = 26, 1 = 34, 2 = 42
    int rs485 = 0;         ///<   RS485 length 0 = 24, 1 = 32, 2 = 40
};

/// How a value is written: "wiegand 26 32" for a mode is accepted as its index form "0 0 1" and, in one word,
/// as the reader's own digits "001" (how the record writes it).
enum class Words { CommandLine, Cell };

/// Parses a setting's words; an empty text when it is fine, else what is wrong ("keys 21: 0 to 20").
/// `stepping`: whether id N+ is allowed here.
std::string ParseValue(const SettingRow& row, const std::vector<std::string>& words, bool stepping, Value& out);

/// The value as the reader reports it back: "12", "06", "011", "1", and for the line its text. `idOffset` is
/// added to a stepping ID.
std::string ReaderText(const Value& value, int idOffset = 0);

/// Sends the value through the window's set sequence.
operations::Result Send(const operations::Context& c, const Value& value, int idOffset = 0);

/// The field that reads `setting` back: nothing where the reader did not give it, and for parity also for a
/// reader without keycode parity. `line` is where the reader answered.
std::optional<std::string> ReadField(Setting setting, const operations::ReaderInfo& info, const std::string& line);

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
