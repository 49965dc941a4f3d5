#pragma once
// A site's plan: a CSV file with a header row, one row per door. Columns: `door` (free text), `serial` (optional,
// the reader's 8 characters) and one per setting with the values `set` accepts; an empty cell leaves that setting
// alone. The record's own columns (time, port, firmware, outcome, code) are ignored, so a record is a plan: its
// rows that did not end done are skipped, and a serial's last row wins. The whole plan is checked before anything
// is sent.

#include "commission/settings_table.h"
#include "localisation/reason.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace commission {

struct PlanRow {
    int line = 0; ///< where the row stands in the file
    std::string door;
    std::optional<std::string> serial; ///< in the reader's 8-bit characters, in the letter case typed
    Request request;
};

struct Plan {
    std::string name; ///< the site: the file's name without its folder and extension
    std::vector<PlanRow> rows;
};

struct PlanCheck {
    std::optional<Plan> plan;
    /// One line per fault, each naming the line and column, the value and what is accepted.
    std::vector<std::string> errors;
};

/// Checks a plan file's bytes: UTF-8, with or without its byte-order mark, or UTF-16 with its mark; separated by
/// commas, semicolons or tabs, as its header line is. A file in any other encoding is refused, naming the first
/// cell that shows it. `name` is the site's name.
PlanCheck ParsePlan(std::string_view bytes, const std::string& name);
/// Reads and checks the plan file at `path`.
PlanCheck ReadPlan(const std::string& path);

/// A site's name from its file's path: the name without its folder and extension.
std::string SiteName(const std::string& path);
/// "door 12" or, for a row without a door, "line 5".
localisation::Reason RowName(const PlanRow& row);
/// Whether a plan's serial and a reader's are the same: a person may type the reader's capitals small.
bool SameSerial(std::string_view a, std::string_view b);

} // namespace commission
