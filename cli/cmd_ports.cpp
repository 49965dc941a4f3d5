// ports: COM1 to COM16 with the device and the adapter behind each one, and --pin.

#include "cli/ports.h"

#include "cli/readerctl.h"
#include "cli/session.h"

namespace cli {

int ListPorts(const CtlInvocation& call, const platform::PortRoots& roots, Reporter& report) {
    if (!call.pin) {
        report.ports(platform::DescribeComPorts(roots));
        return CtlDone;
    }
    int status = CtlDone;
    for (const platform::PinOutcome& pin : platform::PinComPorts(call.pin->port, call.pin->name, roots)) {
        report.pinned(pin, call.pin->port);
        if (pin.error != platform::PinError::None)
            status = CtlFailed;
    }
    return status;
}

int RunPorts(Session& s) {
    return ListPorts(s.call, platform::PortRoots{}, s.report);
}

} // namespace cli
