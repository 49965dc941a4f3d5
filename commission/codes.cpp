#include "codes.h"

#include "localisation/message_table.h"

namespace commission {

using operations::Outcome;
using platform::OpenError;

const char* CodeName(Code code) {
    switch (code) {
    case Code::None:
        return "";
    case Code::Usage:
        return "usage";
    case Code::NotFound:
        return "not-found";
    case Code::NoDevice:
        return "no-device";
    case Code::PortBusy:
        return "port-busy";
    case Code::Permission:
        return "permission";
    case Code::PortError:
        return "port-error";
    case Code::PortGone:
        return "port-gone";
    case Code::NoReply:
        return "no-reply";
    case Code::Incomplete:
        return "incomplete";
    case Code::VerifyMismatch:
        return "verify-mismatch";
    case Code::NotSaved:
        return "not-saved";
    case Code::NoIdLeft:
        return "no-id-left";
    case Code::NotInPlan:
        return "not-in-plan";
    case Code::Drift:
        return "drift";
    case Code::PinFailed:
        return "pin-failed";
    case Code::Interrupted:
        break;
    }
    return "interrupted";
}

Code CodeNamed(const std::string& name) {
    for (int code = int(Code::None); code <= int(Code::PinFailed); ++code) {
        if (name == CodeName(Code(code)))
            return Code(code);
    }
    return Code::None;
}

Code CodeOf(const operations::Result& result, bool scan) {
    switch (result.outcome) {
    case Outcome::Done:
        return Code::None;
    case Outcome::Interrupted:
        return Code::Interrupted;
    case Outcome::Incomplete:
        return result.portGone ? Code::PortGone : Code::Incomplete;
    case Outcome::Failed:
        break;
    }
    if (result.portGone)
        return Code::PortGone;
    switch (result.openError) {
    case OpenError::NotFound:
        return Code::NoDevice;
    case OpenError::Busy:
        return Code::PortBusy;
    case OpenError::Permission:
        return Code::Permission;
    case OpenError::Other:
        return Code::PortError;
    case OpenError::None:
        break;
    }
    return scan ? Code::NotFound : Code::NoReply;
}

std::string ComName(int port) {
    return "COM" + std::to_string(port);
}

std::string Cause(Code code, int port, const std::string& line) {
    return Say(CauseOf(code, port, line));
}

Reason CauseOf(Code code, int port, const std::string& line) {
    using namespace localisation;
    const std::string com = ComName(port);
    switch (code) {
    case Code::NoDevice:
        return port > 0 ? Reason(ctNoDevice, {com}) : Reason(ctNoPortOpened);
    case Code::PortBusy:
        return Reason(ctPortBusy, {com});
    case Code::Permission:
        return Reason(ctPermission, {com});
    case Code::PortError:
        return Reason(ctPortError, {com});
    case Code::PortGone:
        return Reason(ctPortGone, {com});
    case Code::NoReply:
        return Reason(ctNoReply, {com, line});
    case Code::Incomplete:
        return Reason(ctIncomplete, {com});
    case Code::Interrupted:
        return Reason(ctInterrupted);
    case Code::None:
    case Code::Usage:
    case Code::NotFound:
    case Code::VerifyMismatch:
    case Code::NotSaved:
    case Code::NoIdLeft:
    case Code::NotInPlan:
    case Code::Drift:
    case Code::PinFailed:
        break;
    }
    return {};
}

} // namespace commission
