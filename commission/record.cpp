#include "record.h"

#include "commission/card_views.h"
#include "commission/csv.h"
#include "commission/settings_table.h"
#include "localisation/message_table.h"
#include "platform/files.h"
#include "protocol/protocol.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace commission {

namespace {

/// The record's columns as each version wrote them: version 1 had no door, version 2 no note, version 3 neither
/// the door's checks nor its own version. Where the reader answers comes first, then who it is, then the values
/// of the other settings.
constexpr int RecordVersion = 4;
constexpr char VersionTitle[] = "record v";

/// The door's checks: the line test's figures, then the card. A function, not a table of pointers, which would
/// be data the library holds.
std::vector<std::string> DoorCheckColumns() {
    return {"line_queries", "line_answered", "line_timeouts", "line_bad_checksum", "line_echo",
            "line_p99_ms",  "line_verdict",  "card",          "card_hex",          "card_w26"};
}

std::vector<std::string> ColumnsOf(int version) {
    std::vector<std::string> columns;
    if (version >= 2)
        columns.emplace_back("door");
    columns.insert(columns.end(), {"time", "port"});
    for (const SettingRow& row : SettingTable) {
        if (row.followed)
            columns.emplace_back(row.column);
    }
    columns.insert(columns.end(), {"serial", "firmware"});
    for (const SettingRow& row : SettingTable) {
        if (!row.followed)
            columns.emplace_back(row.column);
    }
    columns.insert(columns.end(), {"outcome", "code"});
    if (version >= 3)
        columns.emplace_back("note");
    if (version >= 4) {
        const std::vector<std::string> checks = DoorCheckColumns();
        columns.insert(columns.end(), checks.begin(), checks.end());
        columns.push_back(VersionTitle + std::to_string(version));
    }
    return columns;
}

/// The version a header names ("record v4"), or nothing when it names none.
std::optional<int> NamedVersion(const std::vector<std::string>& header) {
    for (const std::string& column : header) {
        if (column.rfind(VersionTitle, 0) == 0 && column.size() > sizeof VersionTitle - 1)
            return std::atoi(column.c_str() + sizeof VersionTitle - 1);
    }
    return std::nullopt;
}

/// The setting whose value a column holds, or nullptr.
const SettingRow* SettingOf(const std::string& column) {
    for (const SettingRow& row : SettingTable) {
        if (column == row.column)
            return &row;
    }
    return nullptr;
}

/// The version whose columns a header holds: the current one in its order, an earlier one in any order (each
/// version wrote its own); 0 for none, and for a version this one does not know.
int VersionOf(const std::vector<std::string>& header) {
    if (header == ColumnsOf(RecordVersion))
        return RecordVersion;
    std::vector<std::string> sorted = header;
    std::sort(sorted.begin(), sorted.end());
    const auto holds = [&](int version) {
        std::vector<std::string> columns = ColumnsOf(version);
        std::sort(columns.begin(), columns.end());
        return sorted == columns;
    };
    // From the fourth on a header names its version; the earlier ones are told by their columns.
    if (const std::optional<int> named = NamedVersion(header))
        return *named < RecordVersion && holds(*named) ? *named : 0;
    for (int version = 3; version >= 1; --version) {
        if (holds(version))
            return version;
    }
    return 0;
}

/// A door check's cell as the record writes it; empty where nothing was checked.
std::string DoorCell(const std::string& column, const DoorChecks& checks) {
    if (column.rfind("line_", 0) == 0) {
        if (!checks.line)
            return {};
        const LineFigures& line = *checks.line;
        if (column == "line_queries")
            return std::to_string(line.sent);
        if (column == "line_answered")
            return std::to_string(line.answered);
        if (column == "line_timeouts")
            return std::to_string(line.timeouts);
        if (column == "line_bad_checksum")
            return std::to_string(line.badChecksum);
        if (column == "line_echo")
            return std::to_string(line.echoes);
        if (column == "line_p99_ms")
            return line.p99 ? std::to_string(*line.p99) : std::string();
        return VerdictName(line.verdict);
    }
    if (!checks.card || column.rfind(VersionTitle, 0) == 0)
        return {};
    if (column == "card")
        return CardStateWord(checks.card->state);
    if (checks.card->state != CardState::Read)
        return {};
    return column == "card_hex" ? HexText(checks.card->value) : PairText(ViewsOf(checks.card->value).w26);
}

/// The door's checks from a row's cells, by column. The line's figures stand on the verdict and the card on its
/// word: without them nothing was checked. A number a person spoilt reads as 0.
DoorChecks DoorChecksOf(const std::map<std::string, std::string>& cells) {
    const auto cell = [&](const char* column) {
        const auto found = cells.find(column);
        return found == cells.end() ? std::string() : found->second;
    };
    const auto number = [&](const char* column) { return std::atoll(cell(column).c_str()); };
    DoorChecks checks;
    if (const std::optional<LineVerdict> verdict = VerdictNamed(cell("line_verdict"))) {
        LineFigures line;
        line.sent = number("line_queries");
        line.answered = number("line_answered");
        line.timeouts = number("line_timeouts");
        line.badChecksum = number("line_bad_checksum");
        line.echoes = number("line_echo");
        if (!cell("line_p99_ms").empty())
            line.p99 = static_cast<std::uint32_t>(number("line_p99_ms"));
        line.verdict = *verdict;
        checks.line = line;
    }
    if (const std::optional<CardState> state = CardStateNamed(cell("card")))
        checks.card = DoorCard{*state, static_cast<std::uint32_t>(std::strtoul(cell("card_hex").c_str(), nullptr, 16))};
    return checks;
}

/// The rows after the header, by the file's own columns. A row of another width (cut short by a power cut) is
/// no reader's row.
std::vector<RecordRow> ReadRows(const std::vector<std::vector<std::string>>& records,
                                const std::vector<std::string>& columns) {
    std::vector<RecordRow> rows;
    for (const std::vector<std::string>& fields : records) {
        if (fields.size() != columns.size())
            continue;
        RecordRow row;
        std::map<std::string, std::string> doorCells;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string cell = CsvCellText(fields[i]);
            const std::string& column = columns[i];
            const std::optional<std::string> value =
                cell.empty() ? std::nullopt : std::optional<std::string>(protocol::Utf8ToLatin1(cell).value_or(cell));
            if (column == "door")
                row.door = cell;
            else if (column == "time")
                row.time = cell;
            else if (column == "port")
                row.port = cell.rfind("COM", 0) == 0 ? std::atoi(cell.c_str() + 3) : 0;
            else if (column == "serial")
                row.info.serial = value;
            else if (column == "firmware")
                row.info.version = value;
            else if (column == "outcome")
                row.outcome = cell;
            else if (column == "code")
                row.code = CodeNamed(cell);
            else if (column == "note")
                row.note = cell;
            else if (DoorColumn(column))
                doorCells[column] = cell;
            else if (const SettingRow* setting = SettingOf(column); setting && setting->followed)
                row.line = cell; // where the reader answered
            else if (setting)
                row.info.*setting->field = value;
        }
        row.checks = DoorChecksOf(doorCells);
        rows.push_back(std::move(row));
    }
    return rows;
}

/// What differs between a file's header and ours: "it lacks door and has 'note'".
Reason Differences(const std::vector<std::string>& found, const std::vector<std::string>& wanted) {
    std::string missing;
    std::string extra;
    for (const std::string& column : wanted) {
        if (std::find(found.begin(), found.end(), column) == found.end())
            missing += (missing.empty() ? "" : ", ") + column;
    }
    for (const std::string& column : found) {
        if (std::find(wanted.begin(), wanted.end(), column) == wanted.end())
            extra += (extra.empty() ? "'" : ", '") + column + "'";
    }
    if (!missing.empty() && !extra.empty())
        return {localisation::flLacksAndHas, {missing, extra}};
    if (!missing.empty())
        return {localisation::flLacks, {missing}};
    if (!extra.empty())
        return {localisation::flHasExtra, {extra}};
    return localisation::flOtherOrder;
}

} // namespace

std::vector<std::string> Record::Columns() {
    return ColumnsOf(RecordVersion);
}

bool DoorColumn(const std::string& column) {
    const std::vector<std::string> checks = DoorCheckColumns();
    return std::find(checks.begin(), checks.end(), column) != checks.end() || column.rfind(VersionTitle, 0) == 0;
}

bool DoneOutcome(const std::string& outcome) {
    return outcome == "done" || outcome == "unchanged" || outcome == "unverified";
}

Failure Record::Open(const std::string& path, std::unique_ptr<Record>& opened) {
    opened.reset();
    const std::string shown = platform::ShownPath(path);
    // What the file holds already: its header decides its columns.
    std::vector<std::string> columns = Columns();
    std::vector<std::vector<std::string>> rows;
    std::vector<int> setAside;
    bool needsLineEnd = false;
    const platform::PathKind kind = platform::KindOf(path);
    if (kind == platform::PathKind::Folder)
        return {Code::NotSaved, Reason(localisation::cmRecordFailed, {shown, localisation::flFolder})};
    // A device (/dev/full, a pipe) would never end.
    const std::optional<std::string> content =
        kind == platform::PathKind::File ? platform::ReadWholeFile(path) : std::nullopt;
    if (content && !content->empty()) {
        CsvReader reader(*content);
        const std::optional<CsvReader::Record> header = reader.next();
        const std::vector<std::string> found = header ? header->fields : std::vector<std::string>{};
        if (const int version = VersionOf(found); version > 0 && version < RecordVersion) {
            columns = found;
        } else if (version == 0) {
            return {Code::NotSaved, Reason(localisation::flRecordColumns, {shown, Differences(found, Columns())})};
        }
        while (std::optional<CsvReader::Record> fields = reader.next()) {
            if (fields->fields.size() != columns.size())
                setAside.push_back(fields->line);
            rows.push_back(std::move(fields->fields));
        }
        needsLineEnd = content->back() != '\n';
    }
    std::vector<RecordRow> earlier = ReadRows(rows, columns);
    std::unique_ptr<CsvAppender> file;
    if (Failure refused =
            CsvAppender::Open(path, columns, std::move(rows), needsLineEnd, localisation::cmRecordFailed, file);
        !refused.ok())
        return refused;
    const bool created = file->madeAndEmpty();
    opened.reset(new Record(std::move(file), std::move(columns)));
    opened->earlier_ = std::move(earlier);
    opened->setAside_ = std::move(setAside);
    opened->created_ = created;
    return {};
}

Record::Record(std::unique_ptr<CsvAppender> file, std::vector<std::string> columns)
    : file_(std::move(file)), columns_(std::move(columns)) {}

Record::~Record() = default;

void Record::Discard(std::unique_ptr<Record> record) {
    if (!record)
        return;
    const bool remove = record->file_->madeAndEmpty();
    const std::string path = record->path();
    record.reset();
    if (remove)
        platform::RemoveFile(path);
}

bool Record::add(const RecordRow& row) {
    const auto text = [](const std::optional<std::string>& value) {
        return protocol::Latin1ToUtf8(value.value_or(""));
    };
    std::vector<std::string> fields;
    for (const std::string& column : columns_) {
        std::string field;
        if (column == "door")
            field = row.door;
        else if (column == "time")
            field = platform::IsoTimeNow();
        else if (column == "port")
            field = row.port > 0 ? ComName(row.port) : "";
        else if (column == "serial")
            field = text(row.info.serial);
        else if (column == "firmware")
            field = text(row.info.version);
        else if (column == "outcome")
            field = row.outcome;
        else if (column == "code")
            field = CodeName(row.code);
        else if (column == "note")
            field = row.note;
        else if (DoorColumn(column))
            field = DoorCell(column, row.checks);
        else if (const SettingRow* setting = SettingOf(column))
            field = text(ReadField(setting->setting, row.info, row.line));
        fields.push_back(std::move(field));
    }
    return file_->append(fields);
}

} // namespace commission
