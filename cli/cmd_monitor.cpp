// monitor: every card and keypad entry until Ctrl-C, --count entries, or the reader stops answering.

#include "cli/session.h"

namespace cli {

namespace {

/// Passes each entry to the reporter, and ends the polling after --count of them.
class CardObserver final : public operations::QuietObserver {
public:
    CardObserver(Session& session) : s_(session) {}
    void cardRead(const protocol::PolledEntry& entry) override {
        s_.report.card(entry);
        if (s_.call.count && ++entries_ >= *s_.call.count)
            s_.reader.CardReadActive = false;
    }

private:
    Session& s_;
    long long entries_ = 0;
};

} // namespace

int RunMonitor(Session& s) {
    if (!s.findPort())
        return CtlFailed;
    // The port stands for the window's scan; a reader that does not answer ends the polling at once.
    s.reader.ReaderFound = true;
    s.link.setup().messagePump = [&s] {
        if (s.interrupted())
            s.reader.CardReadActive = false;
    };
    CardObserver observer(s);
    const operations::Result result = operations::ReadCards({s.link, s.reader, observer});
    s.link.setup().messagePump = {};
    if (result.ok())
        return CtlDone;
    const commission::Code code = commission::CodeOf(result, false);
    std::string text = operations::MessageText(result);
    if (const std::string cause = commission::Cause(code, result.port, result.line); !cause.empty())
        text += ": " + cause;
    return s.report.fail(code, text);
}

} // namespace cli
