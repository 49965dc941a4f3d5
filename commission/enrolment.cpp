#include "enrolment.h"

#include "commission/csv.h"
#include "localisation/message_table.h"
#include "platform/files.h"
#include "protocol/text.h"

#include <cerrno>

namespace commission {

namespace {

/// What an existing list holds: its cards, and its rows as read.
struct ListContent {
    std::vector<EnrolledCard> cards;
    std::vector<std::vector<std::string>> rows;
};

/// The cards of an existing list into `list`, or the reason it is not one.
Reason ReadList(const std::string& content, const std::string& path, ListContent& list) {
    if (content.empty())
        return {};
    const auto refuse = [&](int line, Reason why) {
        return Reason(localisation::enListFaulty, {path, std::to_string(line), std::move(why)});
    };
    if (const std::optional<protocol::TextPlace> place = protocol::FindNotUtf8(content))
        return refuse(place->line, localisation::enNotUtf8);
    CsvReader reader(content);
    const std::optional<CsvReader::Record> header = reader.next();
    if (!header || header->fields != Enrolment::Columns())
        return refuse(1, localisation::enNotList);
    while (const std::optional<CsvReader::Record> row = reader.next()) {
        if (row->fields.size() != Enrolment::Columns().size())
            return refuse(row->line, localisation::enNotList);
        const std::optional<CardExpectation> hex = ParseExpectation("0x" + row->fields[2]);
        if (row->fields[2].size() != 8 || !hex)
            return refuse(row->line, Reason(localisation::enBadHex, {row->fields[2]}));
        list.cards.push_back({CsvCellText(row->fields[1]), *hex->value});
        list.rows.push_back(row->fields);
    }
    if (!reader.error().empty())
        return refuse(reader.errorLine(), reader.fault());
    return {};
}

} // namespace

bool CardPresence::presented(std::uint32_t value, std::uint32_t nowMs) {
    const bool held = last_ == value && nowMs - lastMs_ <= HeldCardMs;
    last_ = value;
    lastMs_ = nowMs;
    return !held;
}

std::vector<std::string> Enrolment::Columns() {
    return {"time", "name", "hex", "decimal", "w26_facility", "w26_number", "w34_facility", "w34_number"};
}

Failure Enrolment::Open(const std::string& path, std::string prefix, std::unique_ptr<Enrolment>& opened) {
    opened.reset();
    const std::string shown = platform::ShownPath(path);
    const platform::PathKind kind = platform::KindOf(path);
    if (kind == platform::PathKind::Folder)
        return {Code::NotSaved, Reason(localisation::enCannotWrite, {shown, localisation::enIsFolder})};
    std::string content;
    // Only a regular file has cards to read: a device would never end.
    if (kind == platform::PathKind::File) {
        std::optional<std::string> existing = platform::ReadWholeFile(path);
        if (!existing)
            return {Code::NotSaved, Reason(localisation::enCannotWrite, {shown, FileProblem(path, errno)})};
        content = std::move(*existing);
    }
    ListContent list;
    if (Reason faulty = ReadList(content, path, list); !faulty.empty())
        return {Code::Usage, std::move(faulty)};
    std::unique_ptr<CsvAppender> file;
    if (Failure refused =
            CsvAppender::Open(path, Columns(), std::move(list.rows), !content.empty() && content.back() != '\n',
                              localisation::enCannotWrite, file);
        !refused.ok())
        return refused;
    opened.reset(new Enrolment(std::move(file), std::move(prefix), std::move(list.cards)));
    return {};
}

Enrolment::Enrolment(std::unique_ptr<CsvAppender> file, std::string prefix, std::vector<EnrolledCard> cards)
    : file_(std::move(file)), prefix_(std::move(prefix)), cards_(std::move(cards)) {
    status_.listed = static_cast<long long>(cards_.size());
}

Enrolment::~Enrolment() = default;

const EnrolledCard* Enrolment::find(std::uint32_t value, std::uint32_t mask) const {
    for (const EnrolledCard& card : cards_) {
        if ((card.value & mask) == (value & mask))
            return &card;
    }
    return nullptr;
}

EnrolEvent Enrolment::present(std::uint32_t value, std::uint32_t nowMs) {
    EnrolEvent event;
    if (!presence_.presented(value, nowMs))
        return event;
    if (const EnrolledCard* known = find(value, 0xFFFFFFFFu)) {
        event.outcome = EnrolOutcome::Repeat;
        event.card = *known;
        ++status_.repeats;
        return event;
    }
    event.card = {prefix_ + std::to_string(cards_.size() + 1), value};
    if (const EnrolledCard* same = find(value, 0xFFFFFFu))
        event.sameW26 = *same;
    const CardViews views = ViewsOf(value);
    if (!file_->append({platform::IsoTimeNow(), event.card.name, HexText(value), std::to_string(value),
                        std::to_string(views.w26.facility), std::to_string(views.w26.number),
                        std::to_string(views.w34.facility), std::to_string(views.w34.number)})) {
        event.outcome = EnrolOutcome::NotSaved;
        event.sameW26.reset();
        return event;
    }
    event.outcome = EnrolOutcome::Added;
    cards_.push_back(event.card);
    ++status_.added;
    ++status_.listed;
    status_.collisions += event.sameW26 ? 1 : 0;
    return event;
}

} // namespace commission
