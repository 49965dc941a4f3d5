#pragma once
// readerctl ports: each COM number with the device and the adapter behind it, and --pin, which writes the
// ports folder so that the numbers stay with their adapters.

#include "cli/arguments.h"
#include "platform/com_ports.h"

#include <ostream>

namespace cli {

/// Lists the ports, or pins them with call.pin, as text or JSON (call.json) under `roots`; the exit code.
int ListPorts(const CtlInvocation& call, const platform::PortRoots& roots, std::ostream& out, std::ostream& err);

} // namespace cli
