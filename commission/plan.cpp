#include "plan.h"

#include "commission/csv.h"
#include "localisation/message_table.h"
#include "platform/files.h"
#include "protocol/protocol.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace commission {

namespace {

constexpr std::size_t MaxErrors = 20;
constexpr std::size_t SerialLength = 8;

/// The record's columns that a plan does not use.
bool Ignored(const std::string& column) {
    return column == "time" || column == "port" || column == "firmware" || column == "outcome" || column == "code";
}

std::vector<std::string> SplitWords(const std::string& cell) {
    std::istringstream in(cell);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

/// UTF-8 as typed to the reader's 8-bit characters (Latin-1); nothing for a character outside it.
std::optional<std::string> Utf8ToLatin1(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
            bytes += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

} // namespace

std::string SiteName(const std::string& path) {
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

std::string RowName(const PlanRow& row) {
    return row.door.empty() ? localisation::Format(localisation::cmRowLine, {std::to_string(row.line)})
                            : localisation::Format(localisation::cmDoor, {row.door});
}

PlanCheck ParsePlan(std::string_view text, const std::string& name) {
    PlanCheck check;
    std::vector<std::string>& errors = check.errors;
    const auto fault = [&](int line, const std::string& what) {
        if (errors.size() < MaxErrors)
            errors.push_back("line " + std::to_string(line) + ": " + what);
    };
    CsvReader reader(text);
    const std::optional<CsvReader::Record> header = reader.next();
    if (!header) {
        errors.push_back(reader.error().empty() ? "the plan is empty: it needs a header row" : reader.error());
        return check;
    }

    // What each column is: a setting's row, door, serial, outcome, or ignored.
    enum class Kind { Door, Serial, Setting, Outcome, Ignored };
    struct Column {
        Kind kind;
        const SettingRow* setting = nullptr;
    };
    std::vector<Column> columns;
    std::set<std::string> titles;
    for (const std::string& title : header->fields) {
        const std::string& column = title;
        if (column == "door") {
            columns.push_back({Kind::Door});
        } else if (column == "serial") {
            columns.push_back({Kind::Serial});
        } else if (const SettingRow* row = FindSetting(column)) {
            columns.push_back({Kind::Setting, row});
        } else if (column == "outcome") {
            columns.push_back({Kind::Outcome});
        } else if (Ignored(column)) {
            columns.push_back({Kind::Ignored});
        } else {
            std::string known = "door, serial";
            for (const SettingRow& setting : SettingTable)
                known += std::string(", ") + setting.name;
            fault(header->line, "unknown column '" + column + "'; the columns are " += known);
            continue;
        }
        if (!titles.insert(column).second)
            fault(header->line, "the column '" + column + "' is given twice");
    }
    if (!errors.empty())
        return check;
    const bool record =
        std::any_of(columns.begin(), columns.end(), [](const Column& c) { return c.kind == Kind::Outcome; });

    Plan plan;
    plan.name = name;
    std::map<std::string, std::size_t> serials; // serial -> index in plan.rows
    while (const std::optional<CsvReader::Record> fields = reader.next()) {
        if (fields->fields.size() != columns.size()) {
            fault(fields->line, "a row of " + std::to_string(fields->fields.size()) + " fields under a header of " +
                                    std::to_string(columns.size()));
            continue;
        }
        PlanRow row;
        row.line = fields->line;
        bool skip = false;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string cell = CsvCellText(fields->fields[i]);
            const std::string& title = header->fields[i];
            switch (columns[i].kind) {
            case Kind::Door:
                row.door = cell;
                break;
            case Kind::Serial: {
                if (cell.empty())
                    break;
                const std::optional<std::string> serial = Utf8ToLatin1(cell);
                if (!serial || serial->size() != SerialLength)
                    fault(row.line, "column serial: '" + cell + "': 8 characters, or empty");
                else
                    row.serial = serial;
                break;
            }
            case Kind::Setting: {
                const std::vector<std::string> words = SplitWords(cell);
                if (words.empty())
                    break;
                Value value;
                if (std::string error = ParseValue(*columns[i].setting, words, false, value); !error.empty())
                    fault(row.line, "column " + title + ": " += error);
                else
                    row.request.add(value);
                break;
            }
            case Kind::Outcome:
                skip = cell != "done";
                break;
            case Kind::Ignored:
                break;
            }
        }
        if (skip)
            continue;
        if (row.serial) {
            if (const auto seen = serials.find(*row.serial); seen != serials.end()) {
                if (record) {
                    // A record keeps every time a reader was done: the last one is what it has now.
                    plan.rows[seen->second] = row;
                    continue;
                }
                fault(row.line, "serial " + protocol::Latin1ToUtf8(*row.serial) + " is on line " +
                                    std::to_string(plan.rows[seen->second].line) + " too");
                continue;
            }
            serials[*row.serial] = plan.rows.size();
        }
        plan.rows.push_back(std::move(row));
    }
    if (!reader.error().empty() && errors.size() < MaxErrors)
        errors.push_back(reader.error());

    std::map<std::string, int> ids; // ID -> line
    for (const PlanRow& row : plan.rows) {
        const std::optional<Value>& id = row.request[Setting::Id];
        if (!id)
            continue;
        const std::string digits = ReaderText(*id);
        if (const auto seen = ids.find(digits); seen != ids.end())
            fault(row.line, "ID " + digits + " is on line " + std::to_string(seen->second) + " too");
        else
            ids[digits] = row.line;
    }
    if (errors.empty())
        check.plan = std::move(plan);
    return check;
}

PlanCheck ReadPlan(const std::string& path) {
    std::ifstream file(platform::FsPath(path), std::ios::binary);
    if (!file) {
        PlanCheck check;
        check.errors.push_back("cannot read the plan " + path);
        return check;
    }
    std::ostringstream text;
    text << file.rdbuf();
    PlanCheck check = ParsePlan(text.str(), SiteName(path));
    for (std::string& error : check.errors)
        error.insert(0, path + " ");
    return check;
}

} // namespace commission
