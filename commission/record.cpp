#include "record.h"

#include "commission/csv.h"
#include "commission/settings_table.h"
#include "localisation/message_table.h"
#include "platform/files.h"
#include "protocol/protocol.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace commission {

using localisation::Format;
using localisation::Text;

namespace {

/// The record's columns as each version wrote them: version 1 had no door, version 2 no note. Where the reader
/// answers comes first, then who it is, then the values of the other settings.
constexpr int RecordVersion = 3;

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
    return columns;
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
/// version wrote its own); 0 for none.
int VersionOf(const std::vector<std::string>& header) {
    if (header == ColumnsOf(RecordVersion))
        return RecordVersion;
    std::vector<std::string> sorted = header;
    std::sort(sorted.begin(), sorted.end());
    for (int version = RecordVersion - 1; version >= 1; --version) {
        std::vector<std::string> columns = ColumnsOf(version);
        std::sort(columns.begin(), columns.end());
        if (sorted == columns)
            return version;
    }
    return 0;
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
std::vector<RecordRow> ReadRows(const std::vector<std::vector<std::string>>& records,
                                const std::vector<std::string>& columns) {
    std::vector<RecordRow> rows;
    for (const std::vector<std::string>& fields : records) {
        if (fields.size() != columns.size())
            continue;
        RecordRow row;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string cell = CsvCellText(fields[i]);
            const std::string& column = columns[i];
            const std::optional<std::string> value =
                cell.empty() ? std::nullopt : std::optional<std::string>(ToLatin1(cell));
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
            else if (const SettingRow* setting = SettingOf(column); setting && setting->followed)
                row.line = cell; // where the reader answered
            else if (setting)
                row.info.*setting->field = value;
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

/// The whole of a file, when it is a regular file that can be read. A device (/dev/full, a pipe) would never end.
std::optional<std::string> ReadWhole(const std::string& path) {
    if (platform::KindOf(path) != platform::PathKind::File)
        return std::nullopt;
    return platform::ReadWholeFile(path);
}

/// Each record of a CSV text after its header.
std::vector<std::vector<std::string>> RowsAfterHeader(CsvReader& reader) {
    std::vector<std::vector<std::string>> rows;
    while (std::optional<CsvReader::Record> record = reader.next())
        rows.push_back(std::move(record->fields));
    return rows;
}

/// Each row of `wanted` is in `found`, as often as it is in `wanted`, in any order: a spreadsheet may sort.
bool HoldsAll(std::vector<std::vector<std::string>> found, std::vector<std::vector<std::string>> wanted) {
    std::sort(found.begin(), found.end());
    std::sort(wanted.begin(), wanted.end());
    return std::includes(found.begin(), found.end(), wanted.begin(), wanted.end());
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
    if (!missing.empty() && !extra.empty())
        return Format(localisation::flLacksAndHas, {missing, extra});
    if (!missing.empty())
        return Format(localisation::flLacks, {missing});
    if (!extra.empty())
        return Format(localisation::flHasExtra, {extra});
    return Text(localisation::flOtherOrder);
}

} // namespace

std::vector<std::string> Record::Columns() {
    return ColumnsOf(RecordVersion);
}

bool DoneOutcome(const std::string& outcome) {
    return outcome == "done" || outcome == "unchanged" || outcome == "unverified";
}

std::string FileProblem(const std::string& path, int error) {
    if (platform::KindOf(path) == platform::PathKind::Folder)
        return Text(localisation::flFolder);
    if (!platform::FolderExists(path))
        return Text(localisation::flNoFolder);
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return Text(localisation::flPermission);
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return Text(localisation::flDiskFull);
    case EFBIG:
        return Text(localisation::flTooLarge);
    default:
        return std::strerror(error ? error : EIO);
    }
}

std::unique_ptr<Record> Record::Open(const std::string& path, std::string& error) {
    const std::string shown = platform::ShownPath(path);
    // What the file holds already: its header decides its columns.
    std::vector<std::string> columns = Columns();
    std::vector<std::vector<std::string>> rows;
    std::vector<int> setAside;
    bool needsLineEnd = false;
    const platform::PathKind kind = platform::KindOf(path);
    if (kind == platform::PathKind::Folder) {
        error = Format(localisation::cmRecordFailed, {shown, Text(localisation::flFolder)});
        return nullptr;
    }
    if (const std::optional<std::string> content = ReadWhole(path); content && !content->empty()) {
        CsvReader reader(*content);
        const std::optional<CsvReader::Record> header = reader.next();
        const std::vector<std::string> found = header ? header->fields : std::vector<std::string>{};
        if (const int version = VersionOf(found); version > 0 && version < RecordVersion) {
            columns = found;
        } else if (version == 0) {
            error = Format(localisation::flRecordColumns, {shown, Differences(found, Columns())});
            return nullptr;
        }
        while (std::optional<CsvReader::Record> fields = reader.next()) {
            if (fields->fields.size() != columns.size())
                setAside.push_back(fields->line);
            rows.push_back(std::move(fields->fields));
        }
        needsLineEnd = content->back() != '\n';
    }
    errno = 0;
    std::FILE* file = platform::OpenFile(path, "ab");
    if (!file) {
        error = Format(localisation::cmRecordFailed, {shown, FileProblem(path, errno)});
        return nullptr;
    }
    // Unbuffered: a row that fails leaves nothing behind in the stream to be written at close.
    std::setvbuf(file, nullptr, _IONBF, 0);
    std::unique_ptr<Record> record(new Record(file, path, columns));
    record->earlier_ = ReadRows(rows, columns);
    record->rows_ = std::move(rows);
    record->setAside_ = std::move(setAside);
    record->needsLineEnd_ = needsLineEnd;
    record->created_ = kind == platform::PathKind::None;
    const std::optional<platform::FileIdentity> identity = platform::IdentityOf(file);
    record->identity_ = identity.value_or(platform::FileIdentity{});
    record->length_ = identity ? identity->size : 0;
    if (record->length_ == 0 && kind != platform::PathKind::Other) {
        std::vector<std::string> header;
        header.reserve(columns.size());
        for (const std::string& column : columns)
            header.push_back(CsvField(column));
        const std::string line = JoinLine(header);
        errno = 0;
        if (std::fwrite(line.data(), 1, line.size(), file) != line.size() || !platform::SyncFile(file)) {
            error = Format(localisation::cmRecordFailed, {shown, FileProblem(path, errno)});
            Discard(std::move(record));
            return nullptr;
        }
        record->length_ = line.size();
    } else if (kind == platform::PathKind::Other) {
        // A device takes what is written and never holds it: a header tells whether it takes anything at all.
        errno = 0;
        const std::string line = JoinLine(columns);
        if (std::fwrite(line.data(), 1, line.size(), file) != line.size() || !platform::SyncFile(file)) {
            error = Format(localisation::cmRecordFailed, {shown, FileProblem(path, errno)});
            return nullptr;
        }
    }
    return record;
}

Record::Record(std::FILE* file, std::string path, std::vector<std::string> columns)
    : file_(file), path_(std::move(path)), columns_(std::move(columns)) {}

Record::~Record() {
    std::fclose(file_);
}

void Record::Discard(std::unique_ptr<Record> record) {
    if (!record)
        return;
    const bool remove = record->created_ && record->rows_.empty();
    const std::string path = record->path_;
    record.reset();
    if (remove)
        platform::RemoveFile(path);
}

bool Record::stillHolds() {
    const std::optional<platform::FileIdentity> now = platform::IdentityOf(path_);
    // A device has no length to keep.
    if (now && now->sameFile(identity_) &&
        (now->size == length_ || platform::KindOf(path_) != platform::PathKind::File))
        return true;
    if (reopen())
        return true;
    const std::string shown = platform::ShownPath(path_);
    if (!now)
        error_ = Format(localisation::flRemoved, {shown});
    else if (now->sameFile(identity_) && now->size < length_)
        error_ = Format(localisation::flShortened, {shown});
    else
        error_ = Format(localisation::flReplaced, {shown});
    return false;
}

bool Record::reopen() {
    // A spreadsheet's save writes a new file and renames it over the old one: what it holds decides.
    const std::optional<std::string> content = ReadWhole(path_);
    if (!content)
        return false;
    CsvReader reader(*content);
    const std::optional<CsvReader::Record> header = reader.next();
    if (!header || header->fields != columns_ || !HoldsAll(RowsAfterHeader(reader), rows_) || !reader.error().empty())
        return false;
    std::FILE* file = platform::OpenFile(path_, "ab");
    if (!file)
        return false;
    std::setvbuf(file, nullptr, _IONBF, 0);
    const std::optional<platform::FileIdentity> identity = platform::IdentityOf(file);
    if (!identity) {
        std::fclose(file);
        return false;
    }
    std::fclose(file_);
    file_ = file;
    identity_ = *identity;
    length_ = identity->size;
    needsLineEnd_ = !content->empty() && content->back() != '\n';
    return true;
}

bool Record::add(const RecordRow& row) {
    error_.clear();
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
        else if (const SettingRow* setting = SettingOf(column))
            field = text(ReadField(setting->setting, row.info, row.line));
        fields.push_back(CsvField(field));
    }
    std::string line = JoinLine(fields);
    if (!stillHolds())
        return false;
    if (needsLineEnd_)
        line = "\r\n" + line;
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || !platform::SyncFile(file_)) {
        const int why = errno;
        // Half a row would make the record no CSV: it goes back to where the row began.
        platform::TruncateFile(file_, length_);
        error_ = Format(localisation::cmRecordFailed, {platform::ShownPath(path_), FileProblem(path_, why)});
        return false;
    }
    length_ += line.size();
    needsLineEnd_ = false;
    if (std::optional<CsvReader::Record> written = CsvReader(line).next())
        rows_.push_back(std::move(written->fields));
    return true;
}

} // namespace commission
