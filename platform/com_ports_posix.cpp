#include "com_ports.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            names.emplace_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

/// The port number of an entry named exactly COM1 ... COM16 (no leading zeros), else 0.
int ComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0 || name[3] == '0')
        return 0;
    int number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        number = number * 10 + (name[i] - '0');
    }
    return number <= MaxComPort ? number : 0;
}

/// The number after `prefix` when the rest of `name` is decimal digits, else -1.
long DeviceNumber(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 6 || name.compare(0, prefix.size(), prefix))
        return -1;
    long number = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

// The 8250 driver registers its ttyS nodes whether or not a UART sits behind them; only an open port that
// reports a known UART type is real. Other drivers create nodes for present hardware only.
bool IsRealBuiltInPort(const std::string& name) {
    char driver[256] = {};
    const std::string link = "/sys/class/tty/" + name + "/device/driver";
    const ssize_t length = readlink(link.c_str(), driver, sizeof driver - 1);
    if (length <= 0)
        return false;
    const std::string target(driver, static_cast<std::size_t>(length));
    if (target.find("serial8250") == std::string::npos)
        return true;
    const int fd = open(("/dev/" + name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    serial_struct info{};
    const bool real = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    close(fd);
    return real;
}

} // namespace

std::string PortsFolder() {
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        base = config;
    else
        base = HomeFolder() + "/.config";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/VELNO/ports";
}

namespace {

std::vector<std::string> OrderedDevices(const std::vector<std::string>& names) {
    static const char* const groups[] = {"ttyUSB", "ttyACM", "ttyS"};
    struct Device {
        int group;
        long number;
        std::string name;
    };
    std::vector<Device> devices;
    for (const std::string& name : names) {
        for (int group = 0; group < 3; ++group) {
            if (const long number = DeviceNumber(name, groups[group]); number >= 0) {
                devices.push_back({group, number, name});
                break;
            }
        }
    }
    std::sort(devices.begin(), devices.end(), [](const Device& a, const Device& b) {
        return a.group != b.group ? a.group < b.group : a.number < b.number;
    });
    std::vector<std::string> ordered;
    for (const Device& device : devices)
        if (ordered.empty() || ordered.back() != device.name)
            ordered.push_back(device.name);
    return ordered;
}

} // namespace

std::vector<std::string> OrderSerialDevices(const std::vector<std::string>& names) {
    std::vector<std::string> ordered = OrderedDevices(names);
    if (ordered.size() > static_cast<std::size_t>(MaxComPort))
        ordered.resize(MaxComPort);
    return ordered;
}

std::string ComPortDevice(int portNo) {
    if (portNo < 1 || portNo > MaxComPort)
        return {};
    const std::string folder = PortsFolder();
    const std::vector<std::string> entries = FolderEntries(folder);
    if (std::any_of(entries.begin(), entries.end(), [](const std::string& name) { return ComNumber(name) > 0; }))
        return folder + "/COM" + std::to_string(portNo); // a missing entry fails to open as "not found"

    // Phantom ttyS nodes are weeded out only as far as the wanted number needs: the check opens the node.
    int number = 0;
    for (const std::string& name : OrderedDevices(FolderEntries("/dev"))) {
        if (name.compare(0, 4, "ttyS") == 0 && !IsRealBuiltInPort(name))
            continue;
        if (++number == portNo)
            return "/dev/" + name;
    }
    return {};
}

} // namespace platform

namespace platform {

std::string DescribeComPort(int portNo) {
    const std::string path = ComPortDevice(portNo);
    char target[PATH_MAX];
    if (path.empty() || !realpath(path.c_str(), target))
        return {}; // nothing there, or a link that leads nowhere
    return path == target ? path : path + " -> " + target;
}

std::string ComPortProblem(int portNo) {
    const std::string path = ComPortDevice(portNo);
    char target[PATH_MAX];
    if (path.empty() || realpath(path.c_str(), target))
        return {};
    char leads[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), leads, sizeof leads - 1);
    if (length < 0)
        return {};
    return path + " leads to " + std::string(leads, static_cast<std::size_t>(length)) + ", which does not exist";
}

} // namespace platform
