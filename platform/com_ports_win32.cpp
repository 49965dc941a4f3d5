#include "com_ports.h"

#include <windows.h>

namespace platform {

std::string DescribeComPort(int portNo) {
    if (portNo < 1 || portNo > MaxComPort)
        return {};
    const std::string name = "COM" + std::to_string(portNo);
    char target[1024];
    // The device the port name stands for (\Device\Serial0, a USB adapter's driver, ...); none when absent.
    if (QueryDosDeviceA(name.c_str(), target, sizeof target) == 0)
        return {};
    return target;
}

std::string ComPortProblem(int) {
    return {}; // the system names the ports itself: no folder of links to go stale
}

} // namespace platform
