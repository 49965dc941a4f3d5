#pragma once
// The record: a CSV file with one row per reader commissioned, refused or audited, for a spreadsheet or the site's
// documentation, and a valid plan in its own right. Each row reaches the disk before the next reader is taken.

#include "commission/codes.h"
#include "operations/result.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace commission {

/// One row of the record.
struct RecordRow {
    std::string door;
    int port = 0;
    std::string line;
    operations::ReaderInfo info;
    std::string outcome; ///< done, failed or refused
    Code code = Code::None;
};

class Record {
public:
    /// The columns of a new record. A file begun by an earlier version, without the door, keeps its columns.
    static std::vector<std::string> Columns();

    /// Opens the file for appending: a new or empty file gets the header, an existing one must carry it. Nothing,
    /// with the reason in `error`, when the file cannot be written (a folder, no permission, no such folder, a
    /// full disk) or has other columns (which ones differ).
    static std::unique_ptr<Record> Open(const std::string& path, std::string& error);
    ~Record();
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    /// Appends the row and has it written to the disk; false when that failed.
    bool add(const RecordRow& row);
    const std::string& path() const { return path_; }

private:
    Record(std::FILE* file, std::string path, std::vector<std::string> columns, bool needsLineEnd);
    std::FILE* file_;
    std::string path_;
    std::vector<std::string> columns_;
    bool needsLineEnd_;
};

} // namespace commission
