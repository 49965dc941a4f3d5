#include "report.h"

#include "commission/card_views.h"
#include "commission/plan.h"
#include "commission/record.h"
#include "localisation/language.h"
#include "localisation/message_table.h"
#include "platform/files.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace commission {

namespace {

Failure NotSaved(Reason why) {
    return {Code::NotSaved, std::move(why)};
}

/// What every report of this tool carries in its head, and what tells one from any other file at the start.
constexpr char Marker[] = "<meta name=\"generator\" content=\"readerconfig as-built report\">";

std::string Escape(const std::string& text) {
    std::string html;
    for (const char c : text) {
        switch (c) {
        case '&':
            html += "&amp;";
            break;
        case '<':
            html += "&lt;";
            break;
        case '>':
            html += "&gt;";
            break;
        case '"':
            html += "&quot;";
            break;
        case '\'':
            html += "&#39;";
            break;
        default:
            html += c;
        }
    }
    return html;
}

constexpr char Style[] = R"(body{font-family:"Liberation Sans",Arial,sans-serif;font-size:10pt;margin:1.5em;color:#111}
h1{font-size:16pt;margin:0 0 .2em}
p.meta{margin:0 0 1em;color:#444}
table{border-collapse:collapse;width:100%}
th,td{border:1px solid #999;padding:.25em .4em;text-align:left;vertical-align:top}
th{background:#e8e8e8}
td.n{font-family:"Liberation Mono",monospace}
tr.failed td,tr.refused td{background:#fde2e2}
tr.failed td.o,tr.refused td.o{color:#a00000;font-weight:bold}
span.h{color:#666;font-size:85%}
span.lf{color:#a00000;font-weight:bold}
ul.left{margin:.3em 0 0 1.2em;padding:0}
.counts span{margin-right:1.5em}
@page{size:A4 landscape;margin:12mm}
@media print{body{margin:0;font-size:9pt}tr{page-break-inside:avoid}thead{display:table-header-group}})";

} // namespace

std::vector<std::string> DoorCheckLines(const DoorChecks& checks) {
    std::vector<std::string> lines;
    if (const std::optional<LineFigures>& line = checks.line) {
        std::string text = std::string("line: ") + VerdictName(line->verdict) + ", " + std::to_string(line->answered) +
                           " of " + std::to_string(line->sent) + " answered, " + std::to_string(line->timeouts) +
                           " time-outs, " + std::to_string(line->badChecksum) + " bad checksums, echo " +
                           std::to_string(line->echoes);
        if (line->p99)
            text += ", p99 " + std::to_string(*line->p99) + " ms";
        lines.push_back(std::move(text));
    }
    if (const std::optional<DoorCard>& card = checks.card) {
        switch (card->state) {
        case CardState::Read:
            lines.push_back("card read: " + PairText(ViewsOf(card->value).w26) + " (" + HexText(card->value) + ")");
            break;
        case CardState::WiegandMode:
            lines.emplace_back("card: not read, the reader is in Wiegand output mode");
            break;
        case CardState::NoCard:
            lines.emplace_back("card: none presented");
            break;
        case CardState::Stopped:
            lines.emplace_back("card: not read, stopped");
            break;
        case CardState::NoReply:
            lines.emplace_back("card: not read, the reader stopped answering");
            break;
        }
    }
    return lines;
}

std::string RenderReport(const SiteReport& report) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n" + std::string(Marker) +
                       "\n<title>" + Escape(report.site) + " - as built</title>\n<style>\n" + Style +
                       "\n</style>\n</head>\n<body>\n";
    html += "<h1>" + Escape(report.site) + "</h1>\n";
    html += "<p class=\"meta\">As-built report: " + Escape(report.kind) + ", " + Escape(report.date) +
            ", readerconfig " + Escape(report.version) + "</p>\n";
    html += "<p class=\"counts\"><span>Done: <b>" + std::to_string(report.done) + "</b></span><span>Failed: <b>" +
            std::to_string(report.failed) + "</b></span><span>Not done: <b>" + std::to_string(report.notDone.size()) +
            "</b></span></p>\n";
    html += "<table>\n<thead><tr><th>Door</th><th>Serial</th><th>Firmware</th><th>Port</th>";
    for (const SettingRow& row : SettingTable) {
        std::string label = localisation::MessageTable[row.label][localisation::LanguageEnglish];
        label[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(label[0])));
        html += "<th>" + label + "</th>";
    }
    html += "<th>Outcome</th><th>Time</th></tr></thead>\n<tbody>\n";
    for (const ReportRow& row : report.rows) {
        html += "<tr class=\"" + Escape(row.outcome) + "\"><td>" + Escape(row.door) + "</td><td class=\"n\">" +
                Escape(row.serial) + "</td><td class=\"n\">" + Escape(row.firmware) + "</td><td>" +
                (row.port > 0 ? ComName(row.port) : std::string()) + "</td>";
        for (const SettingRow& setting : SettingTable)
            html += "<td class=\"n\">" +
                    Escape(InWords(setting.setting, row.values[IndexOf(setting.setting)], Wording::Report)) + "</td>";
        std::string outcome = row.outcome;
        if (row.code != Code::None)
            outcome += std::string(" (") + CodeName(row.code) + ")";
        html += "<td class=\"o\">" + Escape(outcome);
        if (!row.error.empty())
            html += "<br>" + Escape(row.error);
        if (!row.note.empty())
            html += "<br>" + Escape(row.note);
        // A line that fails leaves the settings as they are, and stands out beside them.
        const bool lineFailed = row.checks.line && row.checks.line->verdict == LineVerdict::Fail;
        for (const std::string& check : DoorCheckLines(row.checks)) {
            const bool failed = lineFailed && check.rfind("line:", 0) == 0;
            html +=
                "<br>" + std::string(failed ? "<span class=\"lf\">" : "") + Escape(check) + (failed ? "</span>" : "");
        }
        // The door's earlier readers and failures: its history, not a row of their own.
        for (const std::string& earlier : row.history)
            html += "<br><span class=\"h\">" + Escape(earlier) + "</span>";
        html += "</td><td>" + Escape(row.time) + "</td></tr>\n";
    }
    html += "</tbody>\n</table>\n";
    if (!report.notDone.empty()) {
        html += "<h2>Not done</h2>\n<ul class=\"left\">\n";
        for (const std::string& name : report.notDone)
            html += "<li>" + Escape(name) + "</li>\n";
        html += "</ul>\n";
    }
    return html + "</body>\n</html>\n";
}

bool IsReport(const std::string& path) {
    std::FILE* file = platform::OpenFile(path, "rb");
    if (!file)
        return false;
    // The marker is in the head, well within the first kilobytes.
    char head[4096];
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return std::string_view(head, got).find(Marker) != std::string_view::npos;
}

Failure CheckReportPath(const std::string& path) {
    const std::string shown = platform::ShownPath(path);
    switch (platform::KindOf(path)) {
    case platform::PathKind::None:
        if (!platform::FolderExists(path))
            return NotSaved({localisation::flReportFailed, {shown, localisation::flNoFolder}});
        return {};
    case platform::PathKind::Folder:
        return NotSaved({localisation::flReportFailed, {shown, localisation::flFolder}});
    case platform::PathKind::Other:
        return NotSaved({localisation::flReportFailed, {shown, localisation::flNotText}});
    case platform::PathKind::File:
        break;
    }
    if (!IsReport(path))
        return NotSaved({localisation::flNotAReport, {shown}});
    return {};
}

Failure StartReport(const std::string& path, const Plan* plan) {
    if (Failure refused = CheckReportPath(path); !refused.ok())
        return refused;
    SiteReport empty;
    empty.site = plan ? plan->name : SiteName(path);
    return WriteReport(path, empty);
}

Failure WriteReport(const std::string& path, const SiteReport& report) {
    const std::string temporary = path + ".tmp";
    const auto failed = [&](int why) {
        return NotSaved({localisation::flReportFailed, {platform::ShownPath(path), FileProblem(temporary, why)}});
    };
    errno = 0;
    std::FILE* file = platform::OpenFile(temporary, "wb");
    if (!file)
        return failed(errno);
    const std::string html = RenderReport(report);
    errno = 0;
    const bool written = std::fwrite(html.data(), 1, html.size(), file) == html.size() && platform::SyncFile(file);
    const int writtenErrno = errno;
    std::fclose(file);
    if (!written) {
        platform::RemoveFile(temporary);
        return failed(writtenErrno);
    }
    int why = 0;
    if (!platform::MoveFileOver(temporary, path, why)) {
        platform::RemoveFile(temporary);
        return NotSaved({localisation::flReportFailed, {platform::ShownPath(path), FileProblem(path, why)}});
    }
    return {};
}

Failure OpenRunFiles(const std::string& recordPath, const std::string& reportPath, const Plan* plan,
                     std::unique_ptr<Record>& record) {
    // Both are looked at before either is made, and a report refused takes back the record made for it.
    record.reset();
    if (!reportPath.empty()) {
        if (Failure refused = CheckReportPath(reportPath); !refused.ok())
            return refused;
    }
    if (!recordPath.empty()) {
        if (Failure refused = Record::Open(recordPath, record); !refused.ok())
            return refused;
    }
    if (!reportPath.empty()) {
        if (Failure refused = StartReport(reportPath, plan); !refused.ok()) {
            Record::Discard(std::move(record));
            return refused;
        }
    }
    return {};
}

} // namespace commission
