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
    /// done, unchanged (nothing needed sending), unverified (--no-verify: the values asked), failed, refused, or
    /// under-way (written before the ID is sent: the reader may hold the ID from then on)
    std::string outcome;
    Code code = Code::None;
    std::string note; ///< "replaces 0A1B2C3D"
    std::string time; ///< as read from the file; a row added gets the time of its writing
};

/// An outcome after which the reader is as its row asks.
bool DoneOutcome(const std::string& outcome);

class Record {
public:
    /// The columns of a new record. A file begun by an earlier version (without the door, or without the note)
    /// keeps its columns.
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
    /// The rows the file held when it was opened, in order: what earlier runs left.
    const std::vector<RecordRow>& earlier() const { return earlier_; }

private:
    Record(std::FILE* file, std::string path, std::vector<std::string> columns, bool needsLineEnd);
    std::vector<RecordRow> earlier_;
    std::FILE* file_;
    std::string path_;
    std::vector<std::string> columns_;
    bool needsLineEnd_;
};

} // namespace commission
