#pragma once
// How readerctl tells what happened: the failure codes a script can rely on (the same in every language), the
// cause in words for a person, the reader's fields as JSON, and the CSV record of every reader a command talked
// to. docs/readerctl.md describes all of them.

#include "operations/result.h"

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace cli {

/// Why a command failed.
enum class Code {
    None,
    Usage,          ///< the command line, or a file it names that cannot be opened; nothing was sent
    NotFound,       ///< a scan found no reader
    NoDevice,       ///< no device behind the COM number
    PortBusy,       ///< another program holds the port
    Permission,     ///< the user may not open the port
    PortError,      ///< the port did not open for another reason
    PortGone,       ///< the port went away in the middle of the command (an adapter unplugged)
    NoReply,        ///< the port opened, the reader did not answer the command
    Incomplete,     ///< the scan found the reader but could not read all of its information
    VerifyMismatch, ///< the reader acknowledged a value, and reading it back gave another
    Interrupted,    ///< Ctrl-C
};

const char* CodeName(Code code);
/// The code of an operation's result. `scan`: a failure means no reader was found, not one that stopped answering.
/// A port that went away says so whatever the operation read before.
Code CodeOf(const operations::Result& result, bool scan);
/// The cause in words, for the human output: "COM9: no such device", "COM3 is in use by another program".
std::string Cause(Code code, int port, const std::string& line);

/// The reader's fields as the reader sent them, null where not read; parity null also for a reader without
/// keycode parity.
nlohmann::ordered_json ReaderJson(const operations::ReaderInfo& info);

/// One row of the record.
struct RecordRow {
    int port = 0;
    std::string line;
    operations::ReaderInfo info;
    bool ok = false;
    Code code = Code::None;
};

/// The CSV file of --record: a header line when the file is new, then one row per reader, appended and flushed
/// at once.
class Record {
public:
    /// nullptr, with the reason in `error`, when the file cannot be opened for appending.
    static std::unique_ptr<Record> Open(const std::string& path, std::string& error);
    ~Record();
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    /// False when the row could not be written.
    bool add(const RecordRow& row);

private:
    explicit Record(std::FILE* file) : file_(file) {}
    std::FILE* file_;
};

/// A CSV field: quoted when it holds a comma, a quote or a line end; one that a spreadsheet would take for a
/// formula (=, +, -, @ first) is kept as text by a leading apostrophe, since a reader's bytes are not trusted.
std::string CsvField(const std::string& text);
/// Now as local time in ISO 8601 with the offset from UTC: 2026-12-09T11:41:07+01:00.
std::string IsoTimeNow();

} // namespace cli
