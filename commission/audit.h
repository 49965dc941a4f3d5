#pragma once
// The audit of one reader: what a scan read of it compared with its plan row; nothing is sent. And what `apply`
// would change on a reader, which the audit and diff share.

#include "commission/job.h"
#include "commission/plan.h"

#include <optional>
#include <string>
#include <vector>

namespace commission {

/// A setting of a plan row that differs from what the reader has now.
struct Change {
    Setting setting;
    std::optional<std::string> now; ///< nothing: the reader did not give it
    std::string planned;
};
/// What `apply` would change on a reader: each setting of its row that differs from what the reader has now.
std::vector<Change> PlannedChanges(const PlanRow& row, const ReaderSeen& reader);

/// The reader as the scan read it against its row: done when it is as planned, Drift with what differs, or
/// Incomplete when the scan did not read enough of it to compare.
JobResult RunAudit(const PlanRow& row, const ReaderSeen& reader);

} // namespace commission
