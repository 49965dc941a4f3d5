#pragma once
// Why commissioning a reader failed: one code a script can rely on (the same in every language, the record's and
// JSON's `code`), and the cause in words for a person, in the current language.

#include "commission/events.h"
#include "operations/result.h"

#include <string>

namespace commission {

enum class Code {
    None,
    Usage,          ///< the command line, a plan, or a file it names is wrong; nothing was sent
    NotFound,       ///< a scan found no reader
    NoDevice,       ///< no device behind the COM number (port 0: no port could be opened at all)
    PortBusy,       ///< another program holds the port
    Permission,     ///< the user may not open the port
    PortError,      ///< the port did not open for another reason
    PortGone,       ///< the port went away during the exchange (an adapter pulled)
    NoReply,        ///< the port opened, the reader did not answer the command or the read-back
    Incomplete,     ///< the scan found the reader but could not read all of its information
    VerifyMismatch, ///< the reader acknowledged a value, and reading it back gave another
    NotSaved,       ///< the reader took a line setting, and it could not be remembered; or a record write failed
    NoIdLeft,       ///< id N+ ran past 99: the reader was refused
    NotInPlan,      ///< the reader matches no row of the plan that is left
    Drift,          ///< an audited reader's settings differ from its row
    Interrupted,    ///< Ctrl-C, or Stop
    PinFailed,      ///< ports --pin did not write the ports folder
};

/// How commissioning fails, everywhere in this library: the code a script relies on, and the reason for a
/// person, worded when shown. A result that can fail carries one (JobResult, SiteSummary, LineTest by their
/// fields); a call that only checks returns one.
struct Failure {
    Code code = Code::None;
    Reason why;
    bool ok() const { return code == Code::None; }
};

/// "no-reply"; empty for None.
const char* CodeName(Code code);
/// The code a name stands for; None for an empty or unknown name.
Code CodeNamed(const std::string& name);
/// The code of an operation's result. `scan`: a failure means no reader was found, not one that stopped answering.
Code CodeOf(const operations::Result& result, bool scan);
/// The cause in words, for a person: "COM9: no such device", "no reply from COM3 at 19200,e,8,1". Empty for the
/// codes whose words the caller gives.
std::string Cause(Code code, int port, const std::string& line);
/// The same, held to be worded when shown; empty where Cause is.
Reason CauseOf(Code code, int port, const std::string& line);
/// "COM3".
std::string ComName(int port);

} // namespace commission
