#include "site_state.h"

#include "commission/words.h"
#include "protocol/protocol.h"

#include <algorithm>

namespace commission {

namespace {

bool FailedOutcome(const std::string& outcome) {
    return outcome == "failed" || outcome == "refused";
}

std::optional<int> IdNumber(const std::optional<std::string>& id) {
    if (!id || id->empty() || id->size() > 2 || id->find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(*id);
}

std::optional<std::string> PlannedId(const PlanRow& row) {
    const std::optional<Value>& id = row.request[Setting::Id];
    return id ? std::optional<std::string>(ReaderText(*id)) : std::nullopt;
}

} // namespace

SiteState::SiteState(const Plan* plan, bool audit)
    : plan_(plan), audit_(audit), done_(plan ? plan->rows.size() : 0, false), heldBy_(done_.size()),
      doneBy_(done_.size()) {
    // A record of a big site is read row by row: each finds its plan row at once.
    for (std::size_t i = 0; i < done_.size(); ++i) {
        const PlanRow& row = plan_->rows[i];
        if (!row.door.empty())
            doors_.emplace(row.door, i);
        if (row.serial)
            serials_.emplace(Lower(*row.serial), i);
    }
}

std::optional<std::size_t> SiteState::rowIndex(const RecordRow& row) const {
    if (!plan_)
        return std::nullopt;
    const std::vector<PlanRow>& rows = plan_->rows;
    const std::string serial = row.info.serial.value_or("");
    const std::map<std::string, std::size_t>& index = row.door.empty() ? serials_ : doors_;
    if (const auto found = index.find(row.door.empty() ? Lower(serial) : row.door); found != index.end())
        return found->second;
    if (!row.door.empty())
        return std::nullopt;
    // A row without a door is found by the ID it was given; a failed reader's ID may be its own.
    if (DoneOutcome(row.outcome) || row.outcome == "under-way") {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].door.empty() && row.info.id && PlannedId(rows[i]) == row.info.id)
                return i;
        }
    }
    return std::nullopt;
}

void SiteState::add(const RecordRow& row, const std::string& error) {
    const std::string serial = row.info.serial.value_or("");
    if (!serial.empty())
        last_[serial] = row;
    const std::optional<std::size_t> index = rowIndex(row);
    if (index) {
        const std::size_t i = *index;
        if (row.outcome == "under-way") {
            done_[i] = false;
            heldBy_[i] = serial;
        } else if (DoneOutcome(row.outcome) || (audit_ && row.outcome == "failed")) {
            done_[i] = true;
            doneBy_[i] = heldBy_[i] = serial;
        } else if (row.outcome == "failed") {
            // The reader holds the row only if it took the row's ID.
            done_[i] = false;
            const std::optional<std::string> id = PlannedId(plan_->rows[i]);
            heldBy_[i] = id && row.info.id == id ? serial : std::string();
        }
    }

    ReportRow shown{row.door,
                    protocol::Latin1ToUtf8(serial),
                    protocol::Latin1ToUtf8(row.info.version.value_or("")),
                    row.port,
                    row.line,
                    {},
                    row.outcome,
                    row.code,
                    error,
                    row.time,
                    row.note,
                    {},
                    row.checks};
    for (const SettingRow& setting : SettingTable)
        shown.values[IndexOf(setting.setting)] =
            protocol::Latin1ToUtf8(ReadField(setting.setting, row.info, row.line).value_or(""));
    const std::string key = index            ? "row " + std::to_string(*index)
                            : serial.empty() ? "line " + std::to_string(report_.size())
                                             : "serial " + serial;
    const auto known = reportIndex_.find(key);
    if (known == reportIndex_.end()) {
        reportIndex_[key] = report_.size();
        report_.push_back(std::move(shown));
        return;
    }
    ReportRow& before = report_[known->second];
    shown.history = std::move(before.history);
    // A door's failures, and the readers it had before, are its history; a row under way is only a step.
    if (before.outcome != "under-way" && (FailedOutcome(before.outcome) || before.serial != shown.serial)) {
        std::string earlier = before.serial + " " + before.outcome;
        if (before.code != Code::None)
            earlier += std::string(" (") + CodeName(before.code) + ")";
        shown.history.push_back(earlier + (before.time.empty() ? "" : ", " + before.time));
    }
    before = std::move(shown);
}

const PlanRow* SiteState::rowFor(const std::string& serial, bool bySerialOnly) const {
    if (!plan_)
        return nullptr;
    const std::vector<PlanRow>& rows = plan_->rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!done_[i] && !serial.empty() && (SameSerial(serialOf(rows[i]), serial) || heldBy_[i] == serial))
            return &rows[i];
    }
    if (bySerialOnly)
        return nullptr;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].serial && doneBy_[i].empty() && heldBy_[i].empty() && !done_[i])
            return &rows[i];
    }
    return nullptr;
}

const PlanRow* SiteState::heldRow() const {
    if (!plan_)
        return nullptr;
    for (std::size_t i = 0; i < plan_->rows.size(); ++i) {
        if (!done_[i] && !heldBy_[i].empty())
            return &plan_->rows[i];
    }
    return nullptr;
}

const PlanRow* SiteState::rowOfDoor(const std::string& door) const {
    const auto found = doors_.find(door);
    return found == doors_.end() ? nullptr : &plan_->rows[found->second];
}

std::string SiteState::serialOf(const PlanRow& row) const {
    const std::size_t i = static_cast<std::size_t>(&row - plan_->rows.data());
    return !doneBy_[i].empty() ? doneBy_[i] : row.serial.value_or(heldBy_[i]);
}

bool SiteState::allDone(bool withSerialOnly) const {
    return plan_ && left(withSerialOnly).empty();
}

std::vector<std::string> SiteState::left(bool withSerialOnly) const {
    std::vector<std::string> names;
    if (!plan_)
        return names;
    for (std::size_t i = 0; i < plan_->rows.size(); ++i) {
        const PlanRow& row = plan_->rows[i];
        // The serial the row is for, or of the reader that took its ID and failed.
        const std::string serial = row.serial.value_or(heldBy_[i]);
        if (!done_[i] && (!withSerialOnly || row.serial))
            names.push_back(localisation::Say(RowName(row)) +
                            (serial.empty() ? "" : " (" + protocol::Latin1ToUtf8(serial) + ")"));
    }
    return names;
}

std::optional<std::string> SiteState::doneAlready(const std::string& serial) const {
    const auto last = last_.find(serial);
    if (serial.empty() || last == last_.end())
        return std::nullopt;
    const RecordRow& row = last->second;
    if (plan_) {
        const std::optional<std::size_t> i = rowIndex(row);
        if (!i || !done_[*i] || doneBy_[*i] != serial)
            return std::nullopt;
    } else if (!DoneOutcome(row.outcome)) {
        return std::nullopt;
    }
    return row.info.id.value_or("");
}

std::string SiteState::doorOf(const std::string& serial) const {
    const auto last = last_.find(serial);
    return last == last_.end() ? std::string() : last->second.door;
}

std::set<int> SiteState::heldIds() const {
    std::set<int> ids;
    for (const auto& [serial, row] : last_) {
        if (const std::optional<int> id = IdNumber(row.info.id))
            ids.insert(*id);
    }
    return ids;
}

int SiteState::nextId(int first) const {
    const std::set<int> held = heldIds();
    const auto above = held.lower_bound(first);
    return above == held.end() ? first : *held.rbegin() + 1;
}

int SiteState::done() const {
    return int(
        std::count_if(report_.begin(), report_.end(), [](const ReportRow& row) { return DoneOutcome(row.outcome); }));
}

int SiteState::failed() const {
    return int(
        std::count_if(report_.begin(), report_.end(), [](const ReportRow& row) { return FailedOutcome(row.outcome); }));
}

StateFound SiteState::found(const std::string& record) const {
    StateFound state;
    state.record = record;
    if (plan_) {
        state.done = int(std::count(done_.begin(), done_.end(), true));
        for (std::size_t i = 0; i < done_.size(); ++i)
            state.held += !done_[i] && !heldBy_[i].empty();
        state.left = int(left(audit_).size());
    } else {
        state.done = done();
        for (const auto& [serial, row] : last_)
            state.held += row.outcome == "under-way";
    }
    return state;
}

void SiteState::keepIn(Record* record, std::string reportPath, SiteReport header) {
    record_ = record;
    reportPath_ = std::move(reportPath);
    page_ = std::move(header);
    if (record_) {
        for (const RecordRow& row : record_->earlier())
            add(row);
    }
}

bool SiteState::write(const RecordRow& row, const std::string& error) {
    if (record_ && !record_->add(row))
        return false;
    add(row, error);
    return true;
}

Failure SiteState::writeReport() {
    if (reportPath_.empty())
        return {};
    page_.rows = report_;
    page_.done = done();
    page_.failed = failed();
    page_.notDone = left(audit_);
    return WriteReport(reportPath_, page_);
}

} // namespace commission
