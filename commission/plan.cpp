#include "plan.h"

#include "commission/csv.h"
#include "commission/record.h"
#include "commission/words.h"
#include "localisation/message_table.h"
#include "platform/files.h"
#include "protocol/protocol.h"
#include "protocol/text.h"

#include <algorithm>
#include <map>
#include <set>

namespace commission {

using localisation::Format;

namespace {

constexpr std::size_t MaxErrors = 20;
constexpr std::size_t SerialLength = 8;

/// The record's columns that a plan does not use.
bool Ignored(const std::string& column) {
    return column == "time" || column == "port" || column == "firmware" || column == "outcome" || column == "code" ||
           column == "note" || DoorColumn(column);
}

std::vector<std::string> SplitWords(const std::string& cell) {
    std::istringstream in(cell);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

/// A cell without the spaces a person or a spreadsheet put around it.
std::string Trimmed(const std::string& cell) {
    const std::size_t first = cell.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : cell.substr(first, cell.find_last_not_of(" \t") - first + 1);
}

/// How many line ends a cell holds: CRLF, LF or a lone CR each.
int LineEnds(std::string_view cell) {
    int ends = 0;
    for (std::size_t i = 0; i < cell.size(); ++i)
        ends += cell[i] == '\n' || (cell[i] == '\r' && (i + 1 == cell.size() || cell[i + 1] != '\n'));
    return ends;
}

/// A setting's cell checked as the column takes it; an empty text when it is fine, else what is accepted.
std::string ParseCell(const SettingRow& setting, const std::string& cell, Value& value) {
    std::vector<std::string> words = SplitWords(cell);
    const std::size_t wanted = static_cast<std::size_t>(setting.words);
    if (wanted > 1 && words.size() != wanted && !(words.size() == 1 && words[0].size() == wanted))
        return Format(localisation::plModeCell, {Trimmed(cell)});
    // N+ counts up from reader to reader with --repeat; a plan gives each door its own ID.
    if (setting.counts && words.size() == 1 && words[0].size() > 1 && words[0].back() == '+')
        return Format(localisation::plIdCell, {words[0]});
    if (setting.words == 1 && words.size() > 1) {
        std::string joined;
        for (const std::string& word : words)
            joined += word;
        // "38400, e, 8, 1" as a person writes a list
        if (setting.followed && ParseLineSetting(joined) >= 0)
            return Format(localisation::plLineSpaces, {Lower(joined)});
        words = {Trimmed(cell)}; // refused with what the column takes
    }
    return ParseValue(setting, words, false, value);
}

} // namespace

std::string SiteName(const std::string& path) {
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

localisation::Reason RowName(const PlanRow& row) {
    return row.door.empty() ? localisation::Reason(localisation::cmRowLine, {std::to_string(row.line)})
                            : localisation::Reason(localisation::cmDoor, {row.door});
}

bool SameSerial(std::string_view a, std::string_view b) {
    return a.size() == b.size() && Lower(std::string(a)) == Lower(std::string(b));
}

PlanCheck ParsePlan(std::string_view bytes, const std::string& name) {
    PlanCheck check;
    std::vector<std::string>& errors = check.errors;
    const auto fault = [&](int line, const std::string& what) {
        if (errors.size() < MaxErrors)
            errors.push_back(Format(localisation::plLineFault, {std::to_string(line), what}));
    };
    const auto cellFault = [&](int line, const std::string& column, const std::string& what) {
        if (errors.size() < MaxErrors)
            errors.push_back(Format(localisation::plCellFault, {std::to_string(line), column, what}));
    };
    const std::string text = protocol::TextFromFile(bytes);
    CsvReader reader(text, CsvSeparator(text));
    // A file in another encoding is one fault, however many cells show it: the first, where it is.
    const auto notText = [&](const CsvReader::Record& record, const std::vector<std::string>* titles) {
        int line = record.line;
        for (std::size_t i = 0; i < record.fields.size(); ++i) {
            const std::string& cell = record.fields[i];
            const std::optional<protocol::TextPlace> place = protocol::FindNotUtf8(cell);
            if (!place) {
                line += LineEnds(cell); // a quoted cell may span lines
                continue;
            }
            const std::string column = titles && i < titles->size()
                                           ? (*titles)[i]
                                           : Format(localisation::plColumnNth, {std::to_string(i + 1)});
            errors.clear();
            cellFault(line + place->line - 1, column,
                      Format(localisation::plNotUtf8, {protocol::ShownAsUtf8(Trimmed(cell))}));
            return true;
        }
        return false;
    };
    const std::optional<CsvReader::Record> header = reader.next();
    if (!header) {
        errors.push_back(reader.error().empty() ? localisation::Text(localisation::plEmpty) : Say(reader.error()));
        return check;
    }
    if (notText(*header, nullptr))
        return check;
    // Spreadsheets and people put spaces and capitals in titles.
    std::vector<std::string> titleOf;
    for (const std::string& title : header->fields)
        titleOf.push_back(Lower(Trimmed(title)));

    // What each column is: a setting's row, door, serial, outcome, or ignored.
    enum class Kind { Door, Serial, Setting, Outcome, Ignored };
    struct Column {
        Kind kind;
        const SettingRow* setting = nullptr;
    };
    std::vector<Column> columns;
    std::set<std::string> titles;
    for (const std::string& column : titleOf) {
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
            fault(header->line, Format(localisation::plUnknownColumn, {column, known}));
            continue;
        }
        if (!titles.insert(column).second)
            fault(header->line, Format(localisation::plColumnTwice, {column}));
    }
    if (!errors.empty())
        return check;
    const bool record =
        std::any_of(columns.begin(), columns.end(), [](const Column& c) { return c.kind == Kind::Outcome; });

    Plan plan;
    plan.name = name;
    std::map<std::string, std::size_t> serials; // serial in small letters -> index in plan.rows
    std::map<std::string, std::size_t> doors;   // a record's door -> index in plan.rows
    bool anyRow = false;
    while (const std::optional<CsvReader::Record> fields = reader.next()) {
        if (notText(*fields, &titleOf))
            return check;
        // A spreadsheet writes the rows a person cleared as separators alone.
        if (std::all_of(fields->fields.begin(), fields->fields.end(),
                        [](const std::string& cell) { return cell.find_first_not_of(" \t") == std::string::npos; }))
            continue;
        anyRow = true;
        if (fields->fields.size() != columns.size()) {
            // A record's row cut short by a power cut is no reader's row; the run that reads the record says so.
            if (record)
                continue;
            fault(fields->line, Format(localisation::plFieldCount,
                                       {std::to_string(fields->fields.size()), std::to_string(columns.size())}));
            continue;
        }
        PlanRow row;
        row.line = fields->line;
        bool skip = false;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string cell = CsvCellText(Trimmed(fields->fields[i]));
            const std::string& title = titleOf[i];
            switch (columns[i].kind) {
            case Kind::Door:
                row.door = cell;
                break;
            case Kind::Serial: {
                if (cell.empty())
                    break;
                const std::optional<std::string> serial = protocol::Utf8ToLatin1(cell);
                if (!serial || serial->size() != SerialLength)
                    cellFault(row.line, title, Format(localisation::plSerialCell, {cell}));
                else
                    row.serial = serial;
                break;
            }
            case Kind::Setting: {
                if (cell.find_first_not_of(" \t") == std::string::npos)
                    break;
                Value value;
                if (std::string error = ParseCell(*columns[i].setting, cell, value); !error.empty())
                    cellFault(row.line, title, error);
                else
                    row.request.add(value);
                break;
            }
            case Kind::Outcome:
                skip = !DoneOutcome(cell);
                break;
            case Kind::Ignored:
                break;
            }
        }
        if (skip)
            continue;
        if (record && !row.door.empty()) {
            // A door's last reader is the one it has now: the reader it replaced is no longer the door's.
            if (const auto seen = doors.find(row.door); seen != doors.end()) {
                PlanRow& earlier = plan.rows[seen->second];
                if (earlier.serial)
                    serials.erase(Lower(*earlier.serial));
                if (row.serial)
                    serials[Lower(*row.serial)] = seen->second;
                earlier = std::move(row);
                continue;
            }
            doors[row.door] = plan.rows.size();
        }
        if (row.serial) {
            const std::string key = Lower(*row.serial);
            if (const auto seen = serials.find(key); seen != serials.end()) {
                if (record) {
                    // A record keeps every time a reader was done: the last one is what it has now.
                    plan.rows[seen->second] = row;
                    continue;
                }
                fault(row.line, Format(localisation::plSerialTwice, {protocol::Latin1ToUtf8(*row.serial),
                                                                     std::to_string(plan.rows[seen->second].line)}));
                continue;
            }
            serials[key] = plan.rows.size();
        }
        plan.rows.push_back(std::move(row));
    }
    if (!reader.error().empty() && errors.size() < MaxErrors)
        errors.push_back(Say(reader.error()));
    else if (!anyRow)
        errors.push_back(localisation::Text(localisation::plNoRows));

    // The value that names a reader is each door's own.
    std::map<std::string, int> ids; // ID -> line
    const SettingRow* naming = CountingRow();
    for (const PlanRow& row : plan.rows) {
        const std::optional<Value>& id = naming ? row.request[naming->setting] : std::nullopt;
        if (!id)
            continue;
        const std::string digits = ReaderText(*id);
        if (const auto seen = ids.find(digits); seen != ids.end())
            fault(row.line, Format(localisation::plIdTwice, {digits, std::to_string(seen->second)}));
        else
            ids[digits] = row.line;
    }
    if (errors.empty())
        check.plan = std::move(plan);
    return check;
}

PlanCheck ReadPlan(const std::string& path) {
    const std::optional<std::string> text = platform::ReadWholeFile(path);
    if (!text) {
        PlanCheck check;
        check.errors.push_back(Format(localisation::plCannotRead, {protocol::ShownAsUtf8(path)}));
        return check;
    }
    PlanCheck check = ParsePlan(*text, protocol::ShownAsUtf8(SiteName(path)));
    for (std::string& error : check.errors)
        error.insert(0, protocol::ShownAsUtf8(path) + " ");
    return check;
}

} // namespace commission
