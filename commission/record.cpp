#include "record.h"

#include "commission/csv.h"
#include "commission/settings_table.h"
#include "platform/files.h"
#include "protocol/protocol.h"

#include <algorithm>
#include <cerrno>
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
    columns.insert(columns.end(), {"outcome", "code"});
    return columns;
}

std::unique_ptr<Record> Record::Open(const std::string& path, std::string& error) {
    // What the file holds already: its header decides its columns.
    std::vector<std::string> columns = Columns();
    bool needsLineEnd = false;
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
            if (found == LegacyColumns()) {
                columns = LegacyColumns();
            } else if (found != Columns()) {
                error = "the record " + path + " has other columns than a record: " + Differences(found, Columns());
                return nullptr;
            }
            needsLineEnd = content.back() != '\n';
        }
    }
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) {
        error = "cannot write the record " + path + ": " + WhyNotOpen(path, errno);
        return nullptr;
    }
    std::unique_ptr<Record> record(new Record(file, path, columns, needsLineEnd));
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
