#include "settings_table.h"

#include "commission/words.h"
#include "protocol/protocol.h"

#include <algorithm>

namespace commission {

using localisation::Format;
using operations::ReaderInfo;
using operations::Result;

namespace {

std::string TwoDigits(int value) {
    return std::string{static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

std::string Refusal(const SettingRow& row, const std::vector<std::string>& words, const std::string& range) {
    return std::string(row.name) + " " + words[0] + ": " + range;
}

bool ModeDigits(const std::string& value) {
    return value.size() == 3 && value.find_first_not_of("012") == std::string::npos && value[0] <= '1';
}

} // namespace

namespace rows {

// ---- the ID ----

std::string ParseId(const SettingRow& row, const std::vector<std::string>& words, bool stepping, Value& out) {
    const std::string& text = words[0];
    out.stepping = !text.empty() && text.back() == '+';
    out.chosen = static_cast<int>(InRange(out.stepping ? text.substr(0, text.size() - 1) : text, 1, LastId));
    if (out.chosen < 0)
        return Refusal(row, words, Format(localisation::usFromTo, {"1", std::to_string(LastId)}));
    if (out.stepping && !stepping)
        return Refusal(row, words, Format(localisation::usGoesWith, {"N+", "--repeat"}));
    return {};
}

std::string IdText(const Value& value, int idOffset) {
    return TwoDigits(value.chosen + (value.stepping ? idOffset : 0));
}

Result SendId(const operations::Context& c, const Value& value, int idOffset) {
    return operations::SetReaderId(c, IdText(value, idOffset));
}

// ---- the number of keys ----

std::string ParseKeys(const SettingRow& row, const std::vector<std::string>& words, bool, Value& out) {
    out.chosen = static_cast<int>(InRange(words[0], 0, 20));
    return out.chosen < 0 ? Refusal(row, words, Format(localisation::usFromTo, {"0", "20"})) : std::string();
}

std::string KeysText(const Value& value, int) {
    return TwoDigits(value.chosen);
}

Result SendKeys(const operations::Context& c, const Value& value, int) {
    return operations::SetKeyCount(c, KeysText(value, 0));
}

// ---- the output mode ----

std::string ParseMode(const SettingRow& row, const std::vector<std::string>& words, bool, Value& out) {
    // One word of three digits is a mode as the reader reports it, and as the record writes it.
    const std::vector<std::string> parts =
        words.size() == 1
            ? std::vector<std::string>{words[0].substr(0, 1), words[0].substr(1, 1), words[0].substr(2, 1)}
            : words;
    out.mode = ListItem(parts[0], {"wiegand", "rs485"});
    out.wiegand = ListItem(parts[1], {"26", "34", "42"});
    out.rs485 = ListItem(parts[2], {"24", "32", "40"});
    if (out.mode < 0)
        return Refusal(row, words, Format(localisation::usModeRange, {}));
    if (out.wiegand < 0)
        return Format(localisation::usWiegandRange, {parts[1]});
    if (out.rs485 < 0)
        return Format(localisation::usRs485Range, {parts[2]});
    return {};
}

std::string ModeText(const Value& value, int) {
    return std::to_string(value.mode) + std::to_string(value.wiegand) + std::to_string(value.rs485);
}

Result SendMode(const operations::Context& c, const Value& value, int) {
    return operations::SetMode(c, value.mode, value.wiegand, value.rs485);
}

std::optional<std::string> ModeWords(const std::string& value, Wording wording) {
    const auto item = [&](std::size_t at, const char* const* items, int count) {
        return operations::ItemText(value.substr(at, 1), items, count);
    };
    switch (wording) {
    case Wording::Window: {
        if (value.size() != 3 || (value[0] != '0' && value[0] != '1'))
            return std::nullopt;
        const std::string wiegand = item(1, operations::WiegandItems, operations::LengthItemCount);
        const std::string rs485 = item(2, operations::Rs485Items, operations::LengthItemCount);
        return value[0] == '1' ? rs485 + " (" + wiegand + ")" : wiegand + " (" + rs485 + ")";
    }
    case Wording::Report: {
        if (!ModeDigits(value))
            return std::nullopt;
        const bool rs485 = value[0] == '1';
        return item(rs485 ? 2 : 1, rs485 ? operations::Rs485Items : operations::WiegandItems,
                    operations::LengthItemCount) +
               " (" + value + ")";
    }
    case Wording::Scan:
        break;
    }
    if (value.size() != 3)
        return std::string();
    return item(0, operations::ModeItems, operations::ModeItemCount) + ", " +
           item(1, operations::WiegandItems, operations::LengthItemCount) + ", " +
           item(2, operations::Rs485Items, operations::LengthItemCount);
}

// ---- the keycode parity ----

std::string ParseParity(const SettingRow& row, const std::vector<std::string>& words, bool, Value& out) {
    out.chosen = static_cast<int>(InRange(words[0], 0, 1));
    return out.chosen < 0 ? Refusal(row, words, Format(localisation::usOr, {"0", "1"})) : std::string();
}

std::string ParityText(const Value& value, int) {
    return std::to_string(value.chosen);
}

Result SendParity(const operations::Context& c, const Value& value, int) {
    return operations::SetParity(c, value.chosen);
}

std::optional<std::string> ParityWords(const std::string& value, Wording wording) {
    if (wording == Wording::Report)
        return value == "0" || value == "1" ? std::optional<std::string>(value == "1" ? "with parity" : "none")
                                            : std::nullopt;
    return operations::ItemText(value, operations::ParityItems, operations::ParityItemCount);
}

// ---- the line setting ----

std::string ParseLine(const SettingRow& row, const std::vector<std::string>& words, bool, Value& out) {
    out.chosen = ParseLineSetting(words[0]);
    return out.chosen < 0 ? Refusal(row, words, Format(localisation::usLineRange, {})) : std::string();
}

std::string LineText(const Value& value, int) {
    return protocol::BaudRateTable[std::clamp(value.chosen, 0, protocol::BaudRateCount - 1)];
}

Result SendLine(const operations::Context& c, const Value& value, int) {
    return operations::SetBaudRate(c, value.chosen);
}

std::optional<std::string> AsItIs(const std::string&, Wording) {
    return std::nullopt;
}

} // namespace rows

const SettingRow* FindSetting(const std::string& name) {
    for (const SettingRow& row : SettingTable) {
        if (name == row.name)
            return &row;
    }
    return nullptr;
}

std::vector<const SettingRow*> RowsInScanOrder() {
    std::vector<const SettingRow*> rows;
    for (const SettingRow& row : SettingTable)
        rows.push_back(&row);
    std::sort(rows.begin(), rows.end(),
              [](const SettingRow* a, const SettingRow* b) { return a->scanPlace < b->scanPlace; });
    return rows;
}

const SettingRow* CountingRow() {
    for (const SettingRow& row : SettingTable) {
        if (row.counts)
            return &row;
    }
    return nullptr;
}

std::string ParseValue(const SettingRow& row, const std::vector<std::string>& words, bool stepping, Value& out) {
    out = Value{};
    out.setting = row.setting;
    const std::size_t wanted = static_cast<std::size_t>(row.words);
    // A value of several words is also taken as one word of their digits, as the reader reports it.
    const bool digits = wanted > 1 && words.size() == 1 && words[0].size() == wanted;
    if (words.size() != wanted && !digits)
        return Format(row.words == 1 ? localisation::usNeedsValueOf : localisation::usNeedsThree,
                      {row.name, row.values});
    return row.parse(row, words, stepping, out);
}

std::string ReaderText(const Value& value, int idOffset) {
    return RowOf(value.setting).readerText(value, idOffset);
}

Result Send(const operations::Context& c, const Value& value, int idOffset) {
    return RowOf(value.setting).send(c, value, idOffset);
}

bool Lacks(const SettingRow& row, const ReaderInfo& info) {
    return row.present && info.*row.present == false;
}

std::optional<std::string> ReadField(Setting setting, const ReaderInfo& info, const std::string& line) {
    const SettingRow& row = RowOf(setting);
    if (!row.field)
        return line.empty() ? std::nullopt : std::optional<std::string>(line);
    return Lacks(row, info) ? std::nullopt : info.*row.field;
}

std::vector<int> Numbers(const Value& value) {
    if (RowOf(value.setting).words > 1)
        return {value.mode, value.wiegand, value.rs485};
    return {value.chosen};
}

std::string InWords(Setting setting, const std::string& value, Wording wording) {
    return RowOf(setting).inWords(value, wording).value_or(value);
}

bool Request::add(const Value& value) {
    std::optional<Value>& slot = values_[IndexOf(value.setting)];
    if (slot)
        return false;
    slot = value;
    return true;
}

bool Request::empty() const {
    return std::none_of(values_.begin(), values_.end(), [](const std::optional<Value>& value) { return value; });
}

std::vector<Value> Request::inOrder() const {
    std::vector<Value> values;
    for (const std::optional<Value>& value : values_) {
        if (value)
            values.push_back(*value);
    }
    return values;
}

} // namespace commission
