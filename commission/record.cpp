#include "record.h"

#include "commission/csv.h"
#include "commission/settings_table.h"
#include "platform/files.h"
#include "protocol/protocol.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace commission {

namespace {

/// The header that an earlier version wrote, before the door.
constexpr char LegacyHeader[] = "time,port,line,serial,firmware,id,keys,parity,mode,outcome,code";

std::vector<std::string> LegacyColumns() {
    return CsvReader(LegacyHeader).next()->fields;
}

/// The columns before the note.
std::vector<std::string> ColumnsWithoutNote() {
    std::vector<std::string> columns = Record::Columns();
    columns.pop_back();
    return columns;
}

/// The record's UTF-8 back to the reader's 8-bit characters (Latin-1); a character outside it is kept as it is,
/// since it matches no reader anyway.
std::string ToLatin1(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size())
            bytes += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
        else
            bytes += text[i];
    }
    return bytes;
}

/// The rows after the header, by the file's own columns. A row of another width (cut short by a power cut) is
/// no reader's row.
std::vector<RecordRow> ReadRows(CsvReader& reader, const std::vector<std::string>& columns) {
    std::vector<RecordRow> rows;
    while (const std::optional<CsvReader::Record> fields = reader.next()) {
        if (fields->fields.size() != columns.size())
            continue;
        RecordRow row;
        std::optional<std::string> line;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string cell = CsvCellText(fields->fields[i]);
            const std::string& column = columns[i];
            const std::optional<std::string> value =
                cell.empty() ? std::nullopt : std::optional<std::string>(ToLatin1(cell));
            if (column == "door")
                row.door = cell;
            else if (column == "time")
                row.time = cell;
            else if (column == "port")
                row.port = cell.rfind("COM", 0) == 0 ? std::atoi(cell.c_str() + 3) : 0;
            else if (column == "line")
                row.line = cell;
            else if (column == "serial")
                row.info.serial = value;
            else if (column == "firmware")
                row.info.version = value;
            else if (column == "id")
                row.info.id = value;
            else if (column == "keys")
                row.info.keys = value;
            else if (column == "mode")
                row.info.mode = value;
            else if (column == "parity")
                row.info.parity = value;
            else if (column == "outcome")
                row.outcome = cell;
            else if (column == "code")
                row.code = CodeNamed(cell);
            else if (column == "note")
                row.note = cell;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string JoinLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i == 0 ? "" : ",") + fields[i];
    return line + "\r\n";
}

/// "is a folder", "permission denied", "no such folder": why `path` cannot be opened for appending.
std::string WhyNotOpen(const std::string& path, int error) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (fs::is_directory(path, ignored))
        return "is a folder";
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ignored))
        return "no such folder";
    if (error == EACCES || error == EPERM || error == EROFS)
        return "permission denied";
    return std::strerror(error);
}

/// What differs between a file's header and ours: "door missing, extra column 'note'".
std::string Differences(const std::vector<std::string>& found, const std::vector<std::string>& wanted) {
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
    std::string text;
    if (!missing.empty())
        text = "it lacks " + missing;
    if (!extra.empty())
        text += (text.empty() ? "it has " : " and has ") + extra;
    return text.empty() ? "its columns are in another order" : text;
}

} // namespace

std::vector<std::string> Record::Columns() {
    std::vector<std::string> columns{"door", "time", "port", "line", "serial", "firmware"};
    for (const SettingRow& row : SettingTable) {
        if (row.setting != Setting::Line)
            columns.emplace_back(row.column);
    }
    columns.insert(columns.end(), {"outcome", "code", "note"});
    return columns;
}

bool DoneOutcome(const std::string& outcome) {
    return outcome == "done" || outcome == "unchanged" || outcome == "unverified";
}

std::unique_ptr<Record> Record::Open(const std::string& path, std::string& error) {
    // What the file holds already: its header decides its columns.
    std::vector<std::string> columns = Columns();
    bool needsLineEnd = false;
    std::vector<RecordRow> earlier;
    // Only a regular file has a header to read: a device (/dev/full, a pipe) would never end.
    std::error_code ignored;
    std::ifstream existing;
    if (std::filesystem::is_regular_file(path, ignored))
        existing.open(path, std::ios::binary);
    if (existing) {
        std::ostringstream text;
        text << existing.rdbuf();
        const std::string content = text.str();
        if (!content.empty()) {
            CsvReader reader(content);
            const std::optional<CsvReader::Record> header = reader.next();
            const std::vector<std::string> found = header ? header->fields : std::vector<std::string>{};
            if (found == LegacyColumns() || found == ColumnsWithoutNote()) {
                columns = found;
            } else if (found != Columns()) {
                error = "the record " + path + " has other columns than a record: " + Differences(found, Columns());
                return nullptr;
            }
            needsLineEnd = content.back() != '\n';
            earlier = ReadRows(reader, columns);
        }
    }
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) {
        error = "cannot write the record " + path + ": " + WhyNotOpen(path, errno);
        return nullptr;
    }
    std::unique_ptr<Record> record(new Record(file, path, columns, needsLineEnd));
    record->earlier_ = std::move(earlier);
    std::fseek(file, 0, SEEK_END);
    if (std::ftell(file) <= 0) {
        std::vector<std::string> header;
        header.reserve(columns.size());
        for (const std::string& column : columns)
            header.push_back(CsvField(column));
        if (std::fputs(JoinLine(header).c_str(), file) < 0 || !platform::SyncFile(file)) {
            error = "cannot write the record " + path + ": " + std::strerror(errno ? errno : EIO);
            return nullptr;
        }
    }
    return record;
}

Record::Record(std::FILE* file, std::string path, std::vector<std::string> columns, bool needsLineEnd)
    : file_(file), path_(std::move(path)), columns_(std::move(columns)), needsLineEnd_(needsLineEnd) {}

Record::~Record() {
    std::fclose(file_);
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
        else if (const SettingRow* setting = FindSetting(column))
            field = text(ReadField(setting->setting, row.info, row.line));
        fields.push_back(CsvField(field));
    }
    std::string line = JoinLine(fields);
    if (needsLineEnd_)
        line = "\r\n" + line;
    if (std::fputs(line.c_str(), file_) < 0 || !platform::SyncFile(file_))
        return false;
    needsLineEnd_ = false;
    return true;
}

} // namespace commission
