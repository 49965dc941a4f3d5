#pragma once
// The record: a CSV file with one row per reader commissioned, refused or audited, for a spreadsheet or the site's
// documentation, and a valid plan in its own right. Each row reaches the disk whole before the next reader is
// taken, and only in the file the run began with (or one that holds all it had).

#include "commission/codes.h"
#include "commission/csv_appender.h"
#include "commission/door_checks.h"
#include "operations/result.h"
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
    std::string note;  ///< "replaces 0A1B2C3D"
    std::string time;  ///< as read from the file; a row added gets the time of its writing
    DoorChecks checks; ///< the line and the card at the door; a record begun before they were kept drops them
};

/// A column that holds what was checked at the door, or the record's version: none a plan takes.
bool DoorColumn(const std::string& column);

/// An outcome after which the reader is as its row asks.
bool DoneOutcome(const std::string& outcome);

class Record {
public:
    /// The columns of a new record, the last of which names its version ("record v4"). A file begun by an
    /// earlier version (without the door, the note, or the door's checks) keeps its columns.
    static std::vector<std::string> Columns();

    /// Opens the file for appending into `opened`: a new or empty file gets the header, an existing one must
    /// carry it. NotSaved, and `opened` empty, when the file cannot be written (a folder, no permission, no such
    /// folder, a full disk) or has other columns (which ones differ): either way no row could go in. A file it
    /// made for the header is not left behind.
    static Failure Open(const std::string& path, std::unique_ptr<Record>& opened);
    ~Record();
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    /// Appends the row whole and has it written to the disk, or leaves the file as it was; false, with the
    /// reason in error(), when the row is not in the record: the disk took it not, or the file is no longer the
    /// one written so far (replaced, shortened or removed by another program) and does not hold every row.
    bool add(const RecordRow& row);
    const std::string& path() const { return file_->path(); }
    /// The rows the file held when it was opened, in order: what earlier runs left.
    const std::vector<RecordRow>& earlier() const { return earlier_; }
    /// The lines of rows of another width when it was opened: cut short by a power cut, they are no reader's.
    const std::vector<int>& setAside() const { return setAside_; }
    /// Why the last row was not added.
    const std::string& error() const { return file_->error(); }
    /// Open made the file: a run refused before it began removes it (Discard).
    bool created() const { return created_; }
    /// Closes the record and, when Open made it and no row went in, removes the file.
    static void Discard(std::unique_ptr<Record> record);

private:
    Record(std::unique_ptr<CsvAppender> file, std::vector<std::string> columns);
    std::unique_ptr<CsvAppender> file_;
    std::vector<std::string> columns_;
    bool created_ = false;
    std::vector<RecordRow> earlier_;
    std::vector<int> setAside_;
};

} // namespace commission
