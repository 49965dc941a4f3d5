#include "csv_appender.h"

#include "commission/csv.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace commission {

using localisation::Format;

namespace {

std::string JoinLine(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i)
        line += (i == 0 ? "" : ",") + CsvField(cells[i]);
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

/// Unbuffered: a row that fails leaves nothing behind in the stream to be written at close.
std::FILE* OpenForAppending(const std::string& path) {
    std::FILE* file = platform::OpenFile(path, "ab");
    if (file)
        std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

} // namespace

Reason FileProblem(const std::string& path, int error) {
    if (platform::KindOf(path) == platform::PathKind::Folder)
        return localisation::flFolder;
    if (!platform::FolderExists(path))
        return localisation::flNoFolder;
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return localisation::flPermission;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return localisation::flDiskFull;
    case EFBIG:
        return localisation::flTooLarge;
    default:
        return std::strerror(error ? error : EIO);
    }
}

Failure CsvAppender::Open(const std::string& path, std::vector<std::string> header,
                          std::vector<std::vector<std::string>> rows, bool needsLineEnd,
                          localisation::TextId cannotWrite, std::unique_ptr<CsvAppender>& opened) {
    opened.reset();
    const platform::PathKind kind = platform::KindOf(path);
    const auto refused = [&](int why) {
        return Failure{Code::NotSaved, Reason(cannotWrite, {platform::ShownPath(path), FileProblem(path, why)})};
    };
    errno = 0;
    std::FILE* file = OpenForAppending(path);
    if (!file)
        return refused(errno);
    std::unique_ptr<CsvAppender> appender(new CsvAppender(file, path, std::move(header), cannotWrite));
    appender->rows_ = std::move(rows);
    appender->needsLineEnd_ = needsLineEnd;
    appender->created_ = kind == platform::PathKind::None;
    const std::optional<platform::FileIdentity> identity = platform::IdentityOf(file);
    appender->identity_ = identity.value_or(platform::FileIdentity{});
    appender->length_ = identity ? identity->size : 0;
    // A device takes what is written and never holds it: a header tells whether it takes anything at all.
    if (appender->length_ == 0 || kind == platform::PathKind::Other) {
        const std::string line = JoinLine(appender->header_);
        errno = 0;
        if (std::fwrite(line.data(), 1, line.size(), file) != line.size() || !platform::SyncFile(file)) {
            Failure failure = refused(errno);
            const bool remove = appender->created_;
            appender.reset();
            if (remove)
                platform::RemoveFile(path);
            return failure;
        }
        if (kind != platform::PathKind::Other)
            appender->length_ = line.size();
    }
    opened = std::move(appender);
    return {};
}

CsvAppender::CsvAppender(std::FILE* file, std::string path, std::vector<std::string> header,
                         localisation::TextId cannotWrite)
    : file_(file), path_(std::move(path)), header_(std::move(header)), cannotWrite_(cannotWrite) {}

CsvAppender::~CsvAppender() {
    std::fclose(file_);
}

bool CsvAppender::stillHolds() {
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

bool CsvAppender::reopen() {
    // What the file at the path holds decides.
    const std::optional<std::string> content = ReadWhole(path_);
    if (!content)
        return false;
    CsvReader reader(*content);
    const std::optional<CsvReader::Record> header = reader.next();
    if (!header || header->fields != header_ || !HoldsAll(RowsAfterHeader(reader), rows_) || !reader.error().empty())
        return false;
    std::FILE* file = OpenForAppending(path_);
    if (!file)
        return false;
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

bool CsvAppender::append(const std::vector<std::string>& cells) {
    error_.clear();
    std::string line = JoinLine(cells);
    if (!stillHolds())
        return false;
    if (needsLineEnd_)
        line = "\r\n" + line;
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || !platform::SyncFile(file_)) {
        const int why = errno;
        // Half a row would make the file no CSV: it goes back to where the row began.
        platform::TruncateFile(file_, length_);
        error_ = Format(cannotWrite_, {platform::ShownPath(path_), Say(FileProblem(path_, why))});
        return false;
    }
    length_ += line.size();
    needsLineEnd_ = false;
    if (std::optional<CsvReader::Record> written = CsvReader(line).next())
        rows_.push_back(std::move(written->fields));
    return true;
}

} // namespace commission
