#include "audit.h"

namespace commission {

std::vector<Change> PlannedChanges(const PlanRow& row, const ReaderSeen& reader) {
    std::vector<Change> changes;
    for (const Value& value : row.request.inOrder()) {
        Change change{value.setting, ReadField(value.setting, reader.info, reader.line), ReaderText(value)};
        if (change.now != change.planned)
            changes.push_back(std::move(change));
    }
    return changes;
}

JobResult RunAudit(const PlanRow& row, const ReaderSeen& reader) {
    JobResult job;
    job.port = reader.port;
    job.line = reader.line;
    job.info.serial = reader.info.serial;
    job.info.id = reader.info.id;
    job.read = reader.info;
    if (!reader.info.mode || !reader.info.version) {
        job.code = Code::Incomplete;
        job.why = CauseOf(Code::Incomplete, reader.port, reader.line);
        return job;
    }
    std::vector<Reason> drift;
    for (const Change& change : PlannedChanges(row, reader))
        drift.push_back(NotAsked(change.setting, change.now, change.planned));
    if (!drift.empty()) {
        job.code = Code::Drift;
        job.why = Reason(localisation::cmDrift, {Reason::Joined(std::move(drift), ", ")});
    }
    return job;
}

} // namespace commission
