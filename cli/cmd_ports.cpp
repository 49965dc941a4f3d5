// ports: COM1 to COM16 and the device behind each one.

#include "cli/session.h"
#include "platform/com_ports.h"

namespace cli {

int RunPorts(Session& s) {
    for (int portNo = 1; portNo <= platform::MaxComPort; ++portNo) {
        const std::string device = platform::DescribeComPort(portNo);
        const std::string problem = platform::ComPortProblem(portNo);
        if (s.call.json) {
            nlohmann::ordered_json line;
            line["ok"] = true;
            line["port"] = portNo;
            line["device"] = device.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(device);
            if (!problem.empty())
                line["problem"] = problem;
            s.env.out << line.dump() << '\n';
        } else {
            s.env.out << "COM" << portNo << (portNo < 10 ? "   " : "  ") << (device.empty() ? "-" : device)
                      << (problem.empty() ? "" : "   (" + problem + ")") << '\n';
        }
    }
    return CtlDone;
}

} // namespace cli
