#pragma once
// readerctl ports: each COM number with the device and the adapter behind it, and --pin, which writes the
// ports folder so that the numbers stay with their adapters.

#include "cli/arguments.h"
#include "cli/reporter.h"
#include "platform/com_ports.h"

namespace cli {

/// Lists the ports, or pins them with call.pin, under `roots`, told to `report`; the exit code.
int ListPorts(const CtlInvocation& call, const platform::PortRoots& roots, Reporter& report);

} // namespace cli
