#include "settings_table.h"

#include "commission/words.h"
#include "protocol/protocol.h"

#include <algorithm>

namespace commission {

using localisation::Format;

namespace {

std::string TwoDigits(int value) {
    return std::string{static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

} // namespace

const SettingRow* FindSetting(const std::string& name) {
    for (const SettingRow& row : SettingTable) {
        if (name == row.name)
            return &row;
    }
    return nullptr;
}

std::string ParseValue(const SettingRow& row, const std::vector<std::string>& words, bool stepping, Value& out) {
    out = Value{};
    out.setting = row.setting;
    const std::string text = words.empty() ? std::string() : words[0];
    const auto refuse = [&](const std::string& range) { return std::string(row.name) + " " + text + ": " + range; };
    const std::size_t wanted = static_cast<std::size_t>(row.words);
    // One word of three digits is a mode as the reader reports it, and as the record writes it.
    const bool digits = row.setting == Setting::Mode && words.size() == 1 && text.size() == 3;
    if (words.size() != wanted && !digits)
        return Format(row.words == 1 ? localisation::usNeedsValueOf : localisation::usNeedsThree,
                      {row.name, row.values});
    switch (row.setting) {
    case Setting::Id:
        out.stepping = !text.empty() && text.back() == '+';
        out.number = static_cast<int>(InRange(out.stepping ? text.substr(0, text.size() - 1) : text, 1, 99));
        if (out.number < 0)
            return refuse(Format(localisation::usFromTo, {"1", "99"}));
        if (out.stepping && !stepping)
            return refuse(Format(localisation::usGoesWith, {"N+", "--repeat"}));
        break;
    case Setting::Keys:
        out.number = static_cast<int>(InRange(text, 0, 20));
        if (out.number < 0)
            return refuse(Format(localisation::usFromTo, {"0", "20"}));
        break;
    case Setting::Line:
        out.number = ParseLineSetting(text);
        if (out.number < 0)
            return refuse(Format(localisation::usLineRange, {}));
        break;
    case Setting::Mode: {
        const std::vector<std::string> parts =
            digits ? std::vector<std::string>{text.substr(0, 1), text.substr(1, 1), text.substr(2, 1)} : words;
        out.mode = ListItem(parts[0], {"wiegand", "rs485"});
        out.wiegand = ListItem(parts[1], {"26", "34", "42"});
        out.rs485 = ListItem(parts[2], {"24", "32", "40"});
        if (out.mode < 0)
            return refuse(Format(localisation::usModeRange, {}));
        if (out.wiegand < 0)
            return Format(localisation::usWiegandRange, {parts[1]});
        if (out.rs485 < 0)
            return Format(localisation::usRs485Range, {parts[2]});
        break;
    }
    case Setting::Parity:
        out.number = static_cast<int>(InRange(text, 0, 1));
        if (out.number < 0)
            return refuse(Format(localisation::usOr, {"0", "1"}));
        break;
    }
    return {};
}

std::string ReaderText(const Value& value, int idOffset) {
    switch (value.setting) {
    case Setting::Id:
        return TwoDigits(value.number + (value.stepping ? idOffset : 0));
    case Setting::Keys:
        return TwoDigits(value.number);
    case Setting::Mode:
        return std::to_string(value.mode) + std::to_string(value.wiegand) + std::to_string(value.rs485);
    case Setting::Parity:
        return std::to_string(value.number);
    case Setting::Line:
        break;
    }
    return protocol::BaudRateTable[std::clamp(value.number, 0, protocol::BaudRateCount - 1)];
}

operations::Result Send(const operations::Context& c, const Value& value, int idOffset) {
    switch (value.setting) {
    case Setting::Id:
        return operations::SetReaderId(c, ReaderText(value, idOffset));
    case Setting::Keys:
        return operations::SetKeyCount(c, ReaderText(value));
    case Setting::Mode:
        return operations::SetMode(c, value.mode, value.wiegand, value.rs485);
    case Setting::Parity:
        return operations::SetParity(c, value.number);
    case Setting::Line:
        break;
    }
    return operations::SetBaudRate(c, value.number);
}

std::optional<std::string> ReadField(Setting setting, const operations::ReaderInfo& info, const std::string& line) {
    switch (setting) {
    case Setting::Id:
        return info.id;
    case Setting::Keys:
        return info.keys;
    case Setting::Mode:
        return info.mode;
    case Setting::Parity:
        return info.hasParity.value_or(true) ? info.parity : std::nullopt;
    case Setting::Line:
        break;
    }
    return line.empty() ? std::nullopt : std::optional<std::string>(line);
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
