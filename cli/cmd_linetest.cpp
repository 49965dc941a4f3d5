// linetest: presence queries at the reader's line setting, and what the line did with them.

#include "cli/session.h"
#include "commission/line_test.h"
#include "localisation/message_table.h"

namespace cli {

int RunLineTest(Session& s) {
    if (!s.findPort())
        return CtlFailed;
    const long long count = s.call.count.value_or(commission::LineTestQueries);
    const commission::LineTest test = commission::RunLineTest(
        s.job(), count, [&](const commission::LineTest& sofar) { s.report.lineTestProgress(sofar, count, false); });
    if (test.sent > 0)
        s.report.lineTestProgress(test, count, true);
    if (test.code == commission::Code::None) {
        s.report.lineTest(test);
        // The verdict is the exit status: a script signs off a pass only.
        return commission::VerdictOf(test) == commission::LineVerdict::Pass ? CtlDone : CtlFailed;
    }
    const std::string why = test.code == commission::Code::NoReply
                                ? localisation::Format(localisation::ltUnanswered,
                                                       {std::to_string(test.unanswered()), std::to_string(test.sent)})
                                : commission::Cause(test.code, test.port, test.line);
    const std::string text =
        localisation::Format(localisation::ltFailed, {commission::ComName(test.port), test.line, why});
    return s.report.lineTestFailed(test, text);
}

} // namespace cli
