#include "com_ports.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <map>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
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

bool HasComEntry(const std::string& folder) {
    const std::vector<std::string> entries = FolderEntries(folder);
    return std::any_of(entries.begin(), entries.end(), [](const std::string& name) { return ComNumber(name) > 0; });
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
bool IsRealBuiltInPort(const PortRoots& roots, const std::string& name) {
    char driver[256] = {};
    const std::string link = roots.sys + "/class/tty/" + name + "/device/driver";
    const ssize_t length = readlink(link.c_str(), driver, sizeof driver - 1);
    if (length <= 0)
        return false;
    const std::string target(driver, static_cast<std::size_t>(length));
    if (target.find("serial8250") == std::string::npos)
        return true;
    const int fd = open((roots.dev + "/" + name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
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

namespace {

/// The paths of COM1 ... COM`count` (fewer when fewer devices are numbered automatically).
std::vector<std::string> NumberedPaths(const PortRoots& roots, int count) {
    std::vector<std::string> paths;
    if (HasComEntry(roots.ports)) {
        for (int portNo = 1; portNo <= count; ++portNo)
            paths.push_back(roots.ports + "/COM" + std::to_string(portNo)); // a missing entry opens as "not found"
        return paths;
    }
    // Phantom ttyS nodes are weeded out only as far as the wanted number needs: the check opens the node.
    for (const std::string& name : OrderedDevices(FolderEntries(roots.dev))) {
        if (static_cast<int>(paths.size()) == count)
            break;
        if (name.compare(0, 4, "ttyS") != 0 || IsRealBuiltInPort(roots, name))
            paths.push_back(roots.dev + "/" + name);
    }
    return paths;
}

} // namespace

std::string ComPortDevice(int portNo) {
    if (portNo < 1 || portNo > MaxComPort)
        return {};
    const std::vector<std::string> paths = NumberedPaths(PortRoots{}, portNo);
    return static_cast<int>(paths.size()) == portNo ? paths.back() : std::string();
}

// What identifies an adapter is read from sysfs and /dev/serial directly rather than through libudev or
// libserialport: a few file reads, no further dependency, and the roots can be a test's own tree.
namespace {

std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool IsLink(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string LinkText(const std::string& path) {
    char text[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), text, sizeof text);
    return length < 0 ? std::string() : std::string(text, static_cast<std::size_t>(length));
}

bool IsUsbTty(const std::string& name) {
    return DeviceNumber(name, "ttyUSB") >= 0 || DeviceNumber(name, "ttyACM") >= 0;
}

std::string ParentOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

/// A sysfs attribute's first line; empty when there is none. A USB device's strings are its own choice, so
/// control characters (a terminal's escapes) become '?'.
std::string Attribute(const std::string& folder, const char* name) {
    std::FILE* file = std::fopen((folder + "/" + name).c_str(), "r");
    if (!file)
        return {};
    char buffer[256];
    const std::size_t length = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    std::string text(buffer, length);
    text = text.substr(0, text.find('\n'));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    }
    return text;
}

/// Each device node in `folder` (/dev/serial/by-id, by-path) with the names there that lead to it, in order.
std::map<std::string, std::vector<std::string>> NamesByNode(const std::string& folder) {
    std::map<std::string, std::vector<std::string>> names;
    for (const std::string& name : FolderEntries(folder)) {
        std::string path = folder + '/';
        path += name;
        if (const std::string node = Canonical(path); name[0] != '.' && !node.empty())
            names[node].push_back(name);
    }
    for (auto& [node, list] : names)
        std::sort(list.begin(), list.end());
    return names;
}

struct Adapter {
    std::vector<std::string> byId;
    std::string byPath;
    std::string usbId, manufacturer, product, serial;
    bool usb = false;
    bool ambiguous = false;
};

/// What is known of every serial device present, by its device node.
class Survey {
public:
    explicit Survey(const PortRoots& roots)
        : roots_(roots), byId_(NamesByNode(roots.dev + "/serial/by-id")),
          byPath_(NamesByNode(roots.dev + "/serial/by-path")) {
        // udev names a USB adapter in by-id after its strings, interface and port alone; adapters alike in all
        // of them share one name, which leads to one of them.
        std::map<std::string, std::vector<Adapter*>> alike;
        for (const std::string& name : FolderEntries(roots.dev)) {
            const std::string node = Canonical(roots.dev + "/" + name);
            if (!IsUsbTty(name) || node.empty())
                continue;
            std::string key;
            Adapter& adapter = adapters_.insert_or_assign(node, read(name, node, key)).first->second;
            if (adapter.usb)
                alike[key].push_back(&adapter);
        }
        for (auto& [key, group] : alike) {
            if (group.size() < 2)
                continue;
            std::vector<std::string> names;
            for (const Adapter* adapter : group)
                names.insert(names.end(), adapter->byId.begin(), adapter->byId.end());
            for (Adapter* adapter : group) {
                adapter->byId = names;
                adapter->ambiguous = true;
            }
        }
    }

    /// The adapter behind device node `node` (a canonical path).
    Adapter at(const std::string& node) const {
        if (const auto found = adapters_.find(node); found != adapters_.end())
            return found->second;
        Adapter adapter;
        if (const auto found = byId_.find(node); found != byId_.end())
            adapter.byId = found->second;
        if (const auto found = byPath_.find(node); found != byPath_.end())
            adapter.byPath = found->second.front();
        return adapter;
    }

    /// The name in /dev/serial that keeps COMn with the adapter at `node`, or the node itself for a port that
    /// is not a USB adapter; empty with `pin`'s error when there is none.
    std::string stableName(const std::string& node, PinOutcome& pin) const {
        const Adapter adapter = at(node);
        const std::string serial = roots_.dev + "/serial/";
        if (!adapter.byId.empty() && !adapter.ambiguous && !adapter.serial.empty())
            return serial + "by-id/" + adapter.byId.front();
        if (!adapter.byPath.empty())
            return serial + "by-path/" + adapter.byPath;
        if (!adapter.byId.empty() && !adapter.ambiguous)
            return serial + "by-id/" + adapter.byId.front();
        if (!adapter.usb && !IsUsbTty(node.substr(node.rfind('/') + 1)))
            return node;
        pin.error = PinError::NoStableName;
        pin.subject = node;
        pin.serialFolder = roots_.dev + "/serial";
        return {};
    }

private:
    /// The tty's device in sysfs is the usb-serial port (ttyUSB) or the USB interface (ttyACM); the USB device
    /// with its strings is the first folder above that has an idVendor.
    Adapter read(const std::string& name, const std::string& node, std::string& key) const {
        Adapter adapter = at(node);
        const std::string top = Canonical(roots_.sys);
        std::string folder = Canonical(roots_.sys + "/class/tty/" + name + "/device");
        std::string port, interface;
        for (int depth = 0;
             depth < 4 && !top.empty() && folder.size() > top.size() && !folder.compare(0, top.size(), top);
             ++depth, folder = ParentOf(folder)) {
            if (port.empty())
                port = Attribute(folder, "port_number");
            if (interface.empty())
                interface = Attribute(folder, "bInterfaceNumber");
            const std::string vendor = Attribute(folder, "idVendor");
            if (vendor.empty())
                continue;
            adapter.usb = true;
            adapter.usbId = vendor + ":" + Attribute(folder, "idProduct");
            adapter.manufacturer = Attribute(folder, "manufacturer");
            adapter.product = Attribute(folder, "product");
            adapter.serial = Attribute(folder, "serial");
            key = adapter.manufacturer.empty() ? vendor : adapter.manufacturer;
            for (const std::string& part :
                 {adapter.product.empty() ? adapter.usbId : adapter.product, adapter.serial, interface, port}) {
                key += '\n';
                key += part;
            }
            break;
        }
        return adapter;
    }

    const PortRoots& roots_;
    std::map<std::string, std::vector<std::string>> byId_, byPath_;
    std::map<std::string, Adapter> adapters_;
};

} // namespace

std::vector<PortInfo> DescribeComPorts(const PortRoots& roots) {
    const Survey survey(roots);
    const std::vector<std::string> paths = NumberedPaths(roots, MaxComPort);
    std::vector<PortInfo> ports(MaxComPort);
    for (std::size_t i = 0; i < ports.size(); ++i) {
        PortInfo& port = ports[i];
        port.portNo = static_cast<int>(i) + 1;
        const std::string path = i < paths.size() ? paths[i] : std::string();
        const std::string node = Canonical(path);
        if (path.empty() || node.empty()) {
            if (IsLink(path)) {
                port.problem = PortInfo::Problem::Dangling;
                port.link = path;
                port.linkText = LinkText(path);
            }
            continue;
        }
        port.path = path;
        if (IsLink(path))
            port.target = node;
        const Adapter adapter = survey.at(node);
        port.byId = adapter.byId;
        port.byPath = adapter.byPath;
        port.usbId = adapter.usbId;
        port.manufacturer = adapter.manufacturer;
        port.product = adapter.product;
        port.serial = adapter.serial;
        port.ambiguous = adapter.ambiguous;
    }
    return ports;
}

namespace {

bool MakeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at == folder.size() || folder[at] == '/') {
            if (mkdir(folder.substr(0, at).c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    return IsFolder(folder);
}

/// `pin` failed with `error`, which concerns `subject`.
void Fail(PinOutcome& pin, PinError error, const std::string& subject) {
    pin.error = error;
    pin.subject = subject;
}

/// What `name` of --pin COMn=NAME leads to: a file name in by-id or by-path, or an absolute path; empty with
/// `pin`'s error when it leads to no device.
std::string PinTarget(const std::string& name, const PortRoots& roots, const Survey& survey, PinOutcome& pin) {
    pin.serialFolder = roots.dev + "/serial";
    const std::string byId = pin.serialFolder + "/by-id/";
    const std::string byPath = pin.serialFolder + "/by-path/";
    const bool path = name.find('/') != std::string::npos;
    std::string target;
    if (path)
        target = name;
    else if (Exists(byId + name))
        target = byId + name;
    else if (Exists(byPath + name))
        target = byPath + name;
    const std::string node = Canonical(target);
    if (target.empty())
        Fail(pin, PinError::UnknownName, name);
    else if (path && name[0] != '/')
        Fail(pin, PinError::NotAbsolute, name);
    else if (node.empty())
        Fail(pin, PinError::LeadsNowhere, target);
    else if (IsFolder(node))
        Fail(pin, PinError::NotDevice, target);
    else if (target.compare(0, byId.size(), byId) == 0 && survey.at(node).ambiguous)
        Fail(pin, PinError::SharedName, name);
    return pin.error == PinError::None ? target : std::string();
}

/// Writes the planned links all or none: each is made beside its entry first and then renamed over it.
void WritePins(std::vector<PinOutcome>& plan, const std::string& folder) {
    int failed = 0;
    for (PinOutcome& pin : plan) {
        if (pin.error == PinError::None && Exists(pin.entry) && !IsLink(pin.entry))
            Fail(pin, PinError::NotLink, pin.entry);
        if (pin.error != PinError::None && !failed)
            failed = pin.portNo;
    }
    if (!failed && !MakeFolders(folder)) {
        const std::string reason = std::strerror(errno);
        for (PinOutcome& pin : plan) {
            Fail(pin, PinError::NoFolder, folder);
            pin.systemError = reason;
        }
        return;
    }
    const auto notWritten = [](PinOutcome& pin) {
        Fail(pin, PinError::NotWritten, pin.entry);
        pin.systemError = std::strerror(errno);
    };
    const auto temporary = [&](const PinOutcome& pin) {
        return folder + "/.COM" + std::to_string(pin.portNo) + ".pin";
    };
    for (PinOutcome& pin : plan) {
        if (failed || pin.target.empty())
            continue;
        unlink(temporary(pin).c_str());
        if (symlink(pin.target.c_str(), temporary(pin).c_str()) != 0) {
            notWritten(pin);
            failed = pin.portNo;
        }
    }
    for (PinOutcome& pin : plan) {
        if (failed) {
            unlink(temporary(pin).c_str());
            if (pin.error == PinError::None) {
                pin.error = PinError::OtherFailed;
                pin.otherPort = failed;
            }
        } else if (pin.target.empty() ? unlink(pin.entry.c_str()) != 0 && errno != ENOENT
                                      : rename(temporary(pin).c_str(), pin.entry.c_str()) != 0) {
            notWritten(pin);
            unlink(temporary(pin).c_str());
        }
    }
}

} // namespace

std::vector<PinOutcome> PinComPorts(int portNo, const std::string& name, const PortRoots& roots) {
    const Survey survey(roots);
    const bool pinned = HasComEntry(roots.ports);
    const auto outcome = [&](int number) {
        PinOutcome pin;
        pin.portNo = number;
        pin.entry = roots.ports + "/COM" + std::to_string(number);
        return pin;
    };
    std::vector<PinOutcome> plan;
    const auto stay = [&](const PortInfo& port) {
        PinOutcome pin = outcome(port.portNo);
        pin.target = survey.stableName(Canonical(port.path), pin);
        plan.push_back(pin);
    };

    std::string node; // the adapter pinned by name
    if (portNo > 0) {
        PinOutcome pin = outcome(portNo);
        pin.target = PinTarget(name, roots, survey, pin);
        if (pin.error != PinError::None)
            return {pin};
        node = Canonical(pin.target);
        plan.push_back(pin);
    }
    for (const PortInfo& port : DescribeComPorts(roots)) {
        if (port.path.empty() || port.portNo == portNo)
            continue;
        if (portNo == 0) {
            if (!pinned || IsLink(port.path)) // an entry that is the device node itself is pinned already
                stay(port);
            continue;
        }
        // Pinning one number switches automatic numbering off: the others present keep theirs, the adapter
        // pinned excepted. In the folder, the pinned adapter's old entry goes.
        const bool same = Canonical(port.path) == node;
        if (!pinned && !same)
            stay(port);
        else if (pinned && same && IsLink(port.path))
            plan.push_back(outcome(port.portNo));
    }
    if (plan.empty()) {
        PinOutcome nothing;
        nothing.error = PinError::NothingPresent;
        return {nothing};
    }
    WritePins(plan, roots.ports);
    return plan;
}

} // namespace platform
