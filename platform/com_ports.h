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

/// The ports folder, without a trailing slash; empty on Windows, which numbers its ports itself.
std::string PortsFolder();

/// The path to open for COM`portNo`; empty when no device has that number.
std::string ComPortDevice(int portNo);

/// Where the numbering and the description of the ports look: the machine's, or a tree a test built.
struct PortRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
    std::string ports = PortsFolder();
};

/// What a port list shows of COM`portNo` and of the adapter behind it. Fields the system does not give are
/// empty.
struct PortInfo {
    int portNo = 0;
    std::string path;   ///< what COMn opens, when a device is there: /dev/ttyUSB0, or the ports folder's entry
    std::string target; ///< the device node `path` leads to when it is a link; on Windows, the device that the
                        ///< name stands for (\Device\Serial0)
    std::vector<std::string> byId;             ///< its names in /dev/serial/by-id (file names)
    std::string byPath;                        ///< its name in /dev/serial/by-path
    std::string usbId;                         ///< USB vendor and product: "0403:6001"
    std::string manufacturer, product, serial; ///< the USB device's strings
    std::string friendlyName;                  ///< Windows: "USB Serial Port (COM3)"
    /// Another adapter present would get the same by-id name (same strings, no or the same USB serial): the
    /// by-id link leads to either, and only by-path tells them apart.
    bool ambiguous = false;
    /// What is wrong with the entry; `path` is then empty.
    enum class Problem {
        None,
        Dangling, ///< a link in the ports folder that leads nowhere (an adapter unplugged since it was linked)
    } problem = Problem::None;
    std::string link, linkText; ///< Dangling: the ports folder's entry and what it leads to
};

/// COM1 ... COM16 in order, each as far as something is behind it.
std::vector<PortInfo> DescribeComPorts(const PortRoots& roots = {});

/// Why pinning did not write an entry. The face words it; `subject` names what it concerns.
enum class PinError {
    None,
    NothingPresent, ///< no serial device is present (`portNo` 0)
    NotAbsolute,    ///< the name given is a relative path
    UnknownName,    ///< the name given is in neither `serialFolder`/by-id nor by-path
    LeadsNowhere,   ///< the path the name stands for leads nowhere
    NotDevice,      ///< the path the name stands for is a folder
    SharedName,     ///< the name given is the by-id name of more than one adapter
    NoStableName,   ///< a USB adapter's device node has no name in `serialFolder` to pin it by
    NotLink,        ///< the entry is not a link, and is left as it is
    NoFolder,       ///< the ports folder could not be made (`systemError`)
    NotWritten,     ///< the entry could not be written (`systemError`)
    OtherFailed,    ///< nothing was written, since COM`otherPort` could not be pinned
    SystemNumbers,  ///< the system gives the COM numbers itself (Windows)
};

/// One entry that pinning wrote, removed or could not write.
struct PinOutcome {
    int portNo = 0;     ///< 0: a failure that concerns no one number (nothing to pin)
    std::string entry;  ///< the ports folder's entry COMn
    std::string target; ///< what the link leads to now; empty when the entry was removed (its adapter moved)
    PinError error = PinError::None; ///< why it was not written
    std::string subject;             ///< the name given, the path, the device node, the entry or the ports folder
    std::string serialFolder;        ///< /dev/serial, where the names to pin by are
    int otherPort = 0;               ///< OtherFailed: the number that could not be pinned
    std::string systemError;         ///< the system's reason, as strerror gives it
};

/// Writes links in the ports folder so that COM numbers stay with their adapters: `portNo` 0 pins every number
/// with a device now to its adapter's stable name (by-id; by-path for an adapter without a USB serial number
/// or with an ambiguous by-id name; the node itself for a built-in port); otherwise COM`portNo` to `name`, a
/// file name in /dev/serial/by-id or /dev/serial/by-path, or an absolute path. The folder stays consistent:
/// pinning one number while numbering is automatic pins the others present at their numbers too, and an
/// adapter pinned to a new number loses its old entry. Nothing is written when any entry cannot be (an entry
/// that is not a link is never replaced); every entry then has its failure.
std::vector<PinOutcome> PinComPorts(int portNo, const std::string& name, const PortRoots& roots = {});

/// Keeps the names (without "/dev/") that look like serial devices and orders them: USB adapters first
/// (ttyUSB*, then ttyACM*), then built-in ports (ttyS*), each group by its number. At most MaxComPort names.
std::vector<std::string> OrderSerialDevices(const std::vector<std::string>& names);

} // namespace platform
