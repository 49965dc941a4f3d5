#include "com_ports.h"

#include <windows.h>

#include <setupapi.h>

#include <map>

namespace platform {

namespace {

struct PortNames {
    std::string friendlyName, usbId;
};

/// "VID_0403&PID_6001" in a hardware ID as "0403:6001"; empty when it names no USB device.
std::string UsbId(const std::string& hardwareId) {
    const std::size_t vid = hardwareId.find("VID_");
    const std::size_t pid = hardwareId.find("PID_");
    if (vid == std::string::npos || pid == std::string::npos || vid + 8 > hardwareId.size() ||
        pid + 8 > hardwareId.size())
        return {};
    return hardwareId.substr(vid + 4, 4) + ":" + hardwareId.substr(pid + 4, 4);
}

std::string Property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    char text[512] = {};
    if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, reinterpret_cast<BYTE*>(text),
                                           sizeof text - 1, nullptr))
        return {};
    return text; // a multi-string (hardware IDs) gives its first string
}

/// The Ports class's devices present, by the COM name in their key's PortName.
std::map<std::string, PortNames> DevicesByPortName() {
    // GUID_DEVCLASS_PORTS, spelt out: devguid.h's would need INITGUID or a library of GUIDs.
    const GUID portsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    std::map<std::string, PortNames> names;
    const HDEVINFO set = SetupDiGetClassDevsA(&portsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        char portName[32] = {};
        DWORD size = sizeof portName - 1;
        DWORD type = 0;
        const LONG status = RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName), &size);
        RegCloseKey(key);
        if (status == ERROR_SUCCESS && type == REG_SZ)
            names[portName] = {Property(set, device, SPDRP_FRIENDLYNAME),
                               UsbId(Property(set, device, SPDRP_HARDWAREID))};
    }
    SetupDiDestroyDeviceInfoList(set);
    return names;
}

} // namespace

std::string PortsFolder() {
    return {}; // the system numbers the ports itself
}

std::vector<PortInfo> DescribeComPorts(const PortRoots&) {
    const std::map<std::string, PortNames> devices = DevicesByPortName();
    std::vector<PortInfo> ports(MaxComPort);
    for (std::size_t i = 0; i < ports.size(); ++i) {
        PortInfo& port = ports[i];
        port.portNo = static_cast<int>(i) + 1;
        const std::string name = "COM" + std::to_string(port.portNo);
        char target[1024];
        // The device the port name stands for (\Device\Serial0, a USB adapter's driver, ...); none when absent.
        if (QueryDosDeviceA(name.c_str(), target, sizeof target) == 0)
            continue;
        port.path = name;
        port.target = target;
        if (const auto found = devices.find(name); found != devices.end()) {
            port.friendlyName = found->second.friendlyName;
            port.usbId = found->second.usbId;
        }
    }
    return ports;
}

std::vector<PinOutcome> PinComPorts(int portNo, const std::string&, const PortRoots&) {
    PinOutcome pin;
    pin.portNo = portNo;
    pin.error = PinError::SystemNumbers;
    return {pin};
}

} // namespace platform
