#pragma once
// The as-built report: one self-contained HTML page (inline style, no script, nothing fetched) of a site's
// readers, rewritten after each one through a temporary file renamed over the old one, so that a browser or a
// printer never sees half a page. It prints on A4. A marker in its head tells it from any other file.

#include "commission/codes.h"
#include "commission/door_checks.h"
#include "commission/settings_table.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace commission {

struct Plan;
class Record;

struct ReportRow {
    std::string door;
    std::string serial; ///< UTF-8 from here on
    std::string firmware;
    int port = 0;
    std::string line;
    std::array<std::string, SettingCount> values{}; ///< read back, else what is known; empty where unknown
    std::string outcome;                            ///< done, failed, refused
    Code code = Code::None;
    std::string error;
    std::string time;
    std::string note;                 ///< "replaces 0A1B2C3D"
    std::vector<std::string> history; ///< the door's earlier readers and failures, oldest first
    DoorChecks checks;                ///< the line and the card at the door, when checked
};

/// The door's checks in the report's words: "line: pass, 20 of 20 answered, ...", "card read: 077:30211".
std::vector<std::string> DoorCheckLines(const DoorChecks& checks);

struct SiteReport {
    std::string site;
    std::string date;
    std::string version;
    std::string kind; ///< apply, audit, set
    int done = 0;
    int failed = 0;
    std::vector<ReportRow> rows;
    std::vector<std::string> notDone; ///< the plan's rows not yet done, by name
};

std::string RenderReport(const SiteReport& report);
/// Writes the page beside `path` and renames it over; NotSaved when it could not.
Failure WriteReport(const std::string& path, const SiteReport& report);
/// A report is written over nothing or over an earlier report of this tool, never over another file (a plan
/// named by mistake); NotSaved for any other file, a folder or a folder not there.
Failure CheckReportPath(const std::string& path);
/// Before anything is sent: the page of a site with no reader yet, so that a report that cannot be written is
/// refused at the start. `plan` may be null; the site is then named after the report's file.
Failure StartReport(const std::string& path, const Plan* plan);
/// The record and the report of a run (either path may be empty), checked together before anything is sent:
/// the record open, the report begun. NotSaved when either is refused; no file is then left behind that was not
/// there before. `record` stays empty when no record is asked for.
Failure OpenRunFiles(const std::string& recordPath, const std::string& reportPath, const Plan* plan,
                     std::unique_ptr<Record>& record);

} // namespace commission
