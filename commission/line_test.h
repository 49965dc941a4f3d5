#pragma once
// The line test: presence queries one after another at the reader's line setting, each after the pause the set
// operations make, and what the line did with them; so that an installer can tell a cable that fails at one
// speed and not at another. Told as a result; nothing is printed here.

#include "commission/codes.h"
#include "commission/door_checks.h"
#include "commission/job.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace commission {

/// How many queries a line test sends unless told.
inline constexpr long long LineTestQueries = 100;

/// Reply times in ms; the median and the 99th percentile by the nearest-rank method.
struct ReplyTimes {
    std::uint32_t min = 0;
    std::uint32_t median = 0;
    std::uint32_t p99 = 0;
    std::uint32_t max = 0;
};

struct LineTest {
    int port = 0;
    std::string line;
    /// Queries that ended one of the three ways below; one under way when the port went away is not counted.
    long long sent = 0;
    long long answered = 0; ///< a whole reply frame with its checksum right, within the time-out
    long long timeouts = 0; ///< no whole frame within the time-out
    long long badChecksum = 0;
    long long echoes = 0; ///< queries whose own frame came back before the reply
    /// Bytes that were neither a reply nor the echo: before a reply's LF, and waiting in the input before a query
    /// (noise on the idle line, or a reply that came after its time-out).
    std::uint64_t noiseBytes = 0;
    /// Reply time (from the query's CR to the reply's) -> how many answered queries took it.
    std::map<std::uint32_t, long long> replyMs;
    /// NoReply when any query went unanswered; why the port did not open, PortGone.
    Code code = Code::None;

    long long unanswered() const { return timeouts + badChecksum; }
    /// Nothing when no query was answered.
    std::optional<ReplyTimes> times() const;
};

/// A 99th percentile of the reply time at or over this is marginal.
inline constexpr std::uint32_t LineSlowMs = 150;

LineVerdict VerdictOf(const LineTest& test);
/// The loss rate that a run without a loss rules out at 95 % confidence (the rule of three: 3 / queries sent);
/// nothing when a query went unanswered, none was sent, or the test did not end as asked (the port).
std::optional<double> LossRuledOut(const LineTest& test);

/// Up to `count` presence queries to the reader at reader.ComPortNo / ComSettings, each after the command pause,
/// over one opening of the port; `progress` hears of each. Ends early when the user stops or the port goes away.
LineTest RunLineTest(const JobContext& c, long long count, const std::function<void(const LineTest&)>& progress);

} // namespace commission
