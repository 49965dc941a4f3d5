#include "report.h"

#include "commission/plan.h"
#include "localisation/language.h"
#include "localisation/message_table.h"
#include "platform/files.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace commission {

namespace {

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
ul.left{margin:.3em 0 0 1.2em;padding:0}
.counts span{margin-right:1.5em}
@page{size:A4 landscape;margin:12mm}
@media print{body{margin:0;font-size:9pt}tr{page-break-inside:avoid}thead{display:table-header-group}})";

/// A value as the customer reads it: the output mode by its name, the keycode parity in words.
std::string Readable(Setting setting, const std::string& value) {
    if (setting == Setting::Mode && value.size() == 3 && value.find_first_not_of("012") == std::string::npos &&
        value[0] <= '1') {
        const bool rs485 = value[0] == '1';
        const std::string length = value.substr(rs485 ? 2 : 1, 1);
        return operations::ItemText(length, rs485 ? operations::Rs485Items : operations::WiegandItems,
                                    operations::LengthItemCount) +
               " (" + value + ")";
    }
    if (setting == Setting::Parity && (value == "0" || value == "1"))
        return value == "1" ? "with parity" : "none";
    return value;
}

} // namespace

std::string RenderReport(const SiteReport& report) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                       Escape(report.site) + " - as built</title>\n<style>\n" + Style + "\n</style>\n</head>\n<body>\n";
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
            html +=
                "<td class=\"n\">" + Escape(Readable(setting.setting, row.values[IndexOf(setting.setting)])) + "</td>";
        std::string outcome = row.outcome;
        if (row.code != Code::None)
            outcome += std::string(" (") + CodeName(row.code) + ")";
        html += "<td class=\"o\">" + Escape(outcome);
        if (!row.error.empty())
            html += "<br>" + Escape(row.error);
        if (!row.note.empty())
            html += "<br>" + Escape(row.note);
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

bool StartReport(const std::string& path, const Plan* plan, std::string& error) {
    SiteReport empty;
    empty.site = plan ? plan->name : SiteName(path);
    return WriteReport(path, empty, error);
}

bool WriteReport(const std::string& path, const SiteReport& report, std::string& error) {
    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = "cannot write the report " + temporary + ": " + std::strerror(errno);
        return false;
    }
    const std::string html = RenderReport(report);
    const bool written = std::fwrite(html.data(), 1, html.size(), file) == html.size() && platform::SyncFile(file);
    const int writtenErrno = errno;
    std::fclose(file);
    if (!written) {
        std::remove(temporary.c_str());
        error = "cannot write the report " + temporary + ": " + std::strerror(writtenErrno ? writtenErrno : EIO);
        return false;
    }
    std::string why;
    if (!platform::MoveFileOver(temporary, path, why)) {
        std::remove(temporary.c_str());
        error = "cannot replace the report " + path + ": " + why;
        return false;
    }
    return true;
}

} // namespace commission
