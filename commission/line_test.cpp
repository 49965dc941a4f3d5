#include "line_test.h"

#include "protocol/commands.h"
#include "protocol/protocol.h"

#include <algorithm>

namespace commission {

using readerlink::ReplyOutcome;

namespace {

/// The smallest value with at least `percent` % of all values at or below it, from a count per value.
std::uint32_t NearestRank(const std::map<std::uint32_t, long long>& counts, int percent) {
    long long total = 0;
    for (const auto& [value, count] : counts)
        total += count;
    // Rank ceil(percent / 100 * total), at least the first.
    const long long rank = std::max(1LL, (total * percent + 99) / 100);
    long long below = 0;
    for (const auto& [value, count] : counts) {
        below += count;
        if (below >= rank)
            return value;
    }
    return 0;
}

} // namespace

std::optional<ReplyTimes> LineTest::times() const {
    if (replyMs.empty())
        return std::nullopt;
    return ReplyTimes{replyMs.begin()->first, NearestRank(replyMs, 50), NearestRank(replyMs, 99),
                      replyMs.rbegin()->first};
}

LineVerdict VerdictOf(const LineTest& test) {
    // A port that did not open or went away: the line was not tested to the end.
    if ((test.code != Code::None && test.code != Code::NoReply) || test.sent == 0 ||
        test.answered * 100 < test.sent * 99)
        return LineVerdict::Fail;
    const std::optional<ReplyTimes> times = test.times();
    if (test.unanswered() > 0 || !times || times->p99 >= LineSlowMs)
        return LineVerdict::Marginal;
    return LineVerdict::Pass;
}

const char* VerdictName(LineVerdict verdict) {
    switch (verdict) {
    case LineVerdict::Pass:
        return "pass";
    case LineVerdict::Marginal:
        return "marginal";
    case LineVerdict::Fail:
        break;
    }
    return "fail";
}

std::optional<double> LossRuledOut(const LineTest& test) {
    if (test.code != Code::None || test.sent == 0 || test.answered < test.sent)
        return std::nullopt;
    return std::min(1.0, 3.0 / static_cast<double>(test.sent));
}

LineTest RunLineTest(const JobContext& c, long long count, const std::function<void(const LineTest&)>& progress) {
    LineTest test;
    test.port = c.reader.ComPortNo;
    test.line = c.reader.ComSettings;
    readerlink::Link& link = c.link;
    if (!link.OpenComPort(test.port, test.line)) {
        operations::Result failed;
        failed.openError = link.lastOpenError();
        test.code = CodeOf(failed, false);
        return test;
    }
    const std::string query = protocol::Query(protocol::Command::Info);
    const std::size_t echoBytes = protocol::BuildCommandFrame(query).value_or("").size();
    while (test.sent < count && !c.interrupted()) {
        const readerlink::LineCounts before = link.lineCounts();
        operations::CommandPause(link);
        const readerlink::Reply reply = link.SendCommand(query);
        if (reply.outcome == ReplyOutcome::PortGone) {
            test.code = Code::PortGone;
            break;
        }
        ++test.sent;
        if (reply.outcome == ReplyOutcome::Valid) {
            ++test.answered;
            ++test.replyMs[reply.waitedMs];
        } else if (reply.outcome == ReplyOutcome::BadChecksum) {
            ++test.badChecksum;
        } else {
            ++test.timeouts;
        }
        const readerlink::LineCounts& after = link.lineCounts();
        test.echoes += reply.echoed ? 1 : 0;
        test.noiseBytes +=
            after.discarded - before.discarded + after.setAside - before.setAside - (reply.echoed ? echoBytes : 0);
        progress(test);
    }
    link.CloseComPort();
    // Stopped before its first query, the test was interrupted; after some, it reports them as a whole one would.
    if (test.code == Code::None && test.sent == 0)
        test.code = Code::Interrupted;
    else if (test.code == Code::None && test.unanswered() > 0)
        test.code = Code::NoReply;
    return test;
}

} // namespace commission
