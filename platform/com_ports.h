#pragma once
// How COMn finds a device on POSIX, where serial devices are not called COM1, COM2 and so on.
//
// The ports folder $XDG_CONFIG_HOME/VELNO/ports (default ~/.config/VELNO/ports) decides when it holds at least
// one entry named COM1 ... COM16 (a symlink to a device, or the device itself): those entries alone are the
// ports. Otherwise the numbers go to the serial devices present, in the order of OrderSerialDevices().

#include <string>
#include <vector>

namespace platform {

inline constexpr int MaxComPort = 16;

/// The ports folder, without a trailing slash.
std::string PortsFolder();

/// The path to open for COM`portNo`; empty when no device has that number.
std::string ComPortDevice(int portNo);

/// What a port list shows for COM`portNo`: the device present behind it (for a link, with where it leads; on
/// Windows, the device the name stands for), or empty when there is none.
std::string DescribeComPort(int portNo);

/// What is wrong with the entry behind COM`portNo`, for a port list: a link in the ports folder that leads
/// nowhere (an adapter unplugged since it was linked); empty when nothing is.
std::string ComPortProblem(int portNo);

/// Keeps the names (without "/dev/") that look like serial devices and orders them: USB adapters first
/// (ttyUSB*, then ttyACM*), then built-in ports (ttyS*), each group by its number. At most MaxComPort names.
std::vector<std::string> OrderSerialDevices(const std::vector<std::string>& names);

} // namespace platform
