// scan, and how every command finds the reader.

#include "cli/session.h"
#include "localisation/message_table.h"
#include "protocol/protocol.h"

namespace cli {

using commission::Code;
using localisation::Format;
using operations::Result;

std::string Session::notFound(const Result& result, Code code) const {
    std::string text = operations::MessageText(result);
    if (code == Code::NotFound && !call.allLines && call.port == 0)
        text += " " + Format(localisation::rcTriedOnly, {protocol::BaudRateTable[reader.BaudRateIndex]});
    else if (const std::string cause = commission::Cause(code, result.port, result.line); !cause.empty())
        text += ": " + cause;
    return text;
}

Result Session::scan(bool quiet) {
    operations::ScanOptions options;
    options.locked = !call.allLines;
    options.allPortsAtOnce = true;
    options.interrupted = env.interrupted;
    options.onlyPort = call.port;
    commission::ProgressObserver observer(report);
    observer.quiet = quiet;
    Result result = operations::Scan({link, reader, observer}, env.store, options);
    observer.settle();
    return result;
}

std::optional<int> Session::findPort() {
    if (reader.ComPortNo > 0)
        return reader.ComPortNo;
    const Result result = scan(false);
    if (result.outcome == operations::Outcome::Failed || result.outcome == operations::Outcome::Interrupted) {
        const Code code = commission::CodeOf(result, true);
        report.fail(code, notFound(result, code));
        return std::nullopt;
    }
    report.say(operations::MessageText(result));
    scanned = result.info;
    return result.port;
}

bool Session::recordRow(const commission::RecordRow& row) {
    if (!record || !row.info.serial)
        return true; // a reader that never answered has no row
    return record->add(row);
}

int RunScan(Session& s) {
    const Result result = s.scan(false);
    Code code = commission::CodeOf(result, true);
    const operations::ReaderInfo& info = result.info;
    // The window shows a reader whose key count went unanswered; a script must not take it for a whole reading.
    if (code == Code::None && !info.version)
        code = Code::Incomplete;
    for (const commission::SettingRow& row : commission::SettingTable) {
        if (code == Code::None && row.scanNeeds && row.field && !(info.*row.field) && !commission::Lacks(row, info))
            code = Code::Incomplete;
    }
    const bool reached = result.outcome != operations::Outcome::Failed && info.serial;
    const bool recorded =
        !reached ||
        s.recordRow({{}, result.port, result.line, info, code == Code::None ? "done" : "failed", code, {}, {}, {}});
    if (code == Code::None && result.notSaved)
        code = Code::NotSaved;
    if (!recorded) {
        s.report.scanned(result, Code::NotSaved);
        return s.report.fail(Code::NotSaved, s.record->error());
    }
    if (code == Code::None) {
        s.report.scanned(result, code);
        return CtlDone;
    }
    if (!reached)
        return s.report.fail(code, s.notFound(result, code));
    std::string message = s.notFound(result, code);
    if (code == Code::Incomplete)
        message = operations::MessageText(localisation::txInfoError, result.port) + ": " +
                  commission::Cause(code, result.port, result.line);
    if (code == Code::NotSaved)
        message = Format(localisation::cmScanNotSaved, {commission::ComName(result.port), result.line});
    return s.report.scanFailed(result, code, message);
}

} // namespace cli
