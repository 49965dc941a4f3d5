#pragma once
// A CSV file that rows are appended to, one at a time, as the record and the card list are kept: each row reaches
// the disk whole before the next is taken, or the file is cut back to where the row began; and rows go only into
// the file that was opened, or into one put in its place that holds every row written so far (a spreadsheet's
// save writes a new file and renames it over the old one).

#include "commission/codes.h"
#include "localisation/message_table.h"
#include "platform/files.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace commission {

class CsvAppender {
public:
    /// Opens `path` for appending rows under `header`, the file's columns. `rows` are the records the file holds
    /// after its header (as CsvReader reads them); `needsLineEnd` when its last line has no end. A new or empty
    /// file gets the header. `cannotWrite` is the message, with the path and the reason, for a file that cannot
    /// be written. NotSaved with that message when the file cannot be opened or takes no header, and `opened`
    /// stays empty; a file made for the header is not left behind.
    static Failure Open(const std::string& path, std::vector<std::string> header,
                        std::vector<std::vector<std::string>> rows, bool needsLineEnd, localisation::TextId cannotWrite,
                        std::unique_ptr<CsvAppender>& opened);
    ~CsvAppender();
    CsvAppender(const CsvAppender&) = delete;
    CsvAppender& operator=(const CsvAppender&) = delete;

    /// Appends a row of cells (as a person reads them: quoted here) whole and has it written to the disk, or
    /// leaves the file as it was; false, with the reason in error(), when the row is not in the file.
    bool append(const std::vector<std::string>& cells);
    /// Why the last row was not appended.
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }
    /// Open made the file and no row is in it: a run refused before it began may remove it.
    bool madeAndEmpty() const { return created_ && rows_.empty(); }

private:
    CsvAppender(std::FILE* file, std::string path, std::vector<std::string> header, localisation::TextId cannotWrite);
    /// The file at the path is the one written so far, or holds every row of it: appending goes on there.
    bool stillHolds();
    bool reopen();

    std::FILE* file_;
    std::string path_;
    std::vector<std::string> header_;
    localisation::TextId cannotWrite_;
    bool needsLineEnd_ = false;
    bool created_ = false;
    platform::FileIdentity identity_;
    std::uint64_t length_ = 0;                   ///< the file's length after the last row written
    std::vector<std::vector<std::string>> rows_; ///< every row the file held at the start, and each written since
    std::string error_;
};

/// Why a file cannot be opened or written, from errno after the attempt: "it is a folder", "permission denied",
/// "no such folder", "the disk is full".
Reason FileProblem(const std::string& path, int error);

} // namespace commission
