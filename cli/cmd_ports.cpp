// ports: COM1 to COM16 with the device and the adapter behind each one, and --pin.

#include "cli/ports.h"

#include "cli/readerctl.h"
#include "cli/session.h"
#include "commission/codes.h"

#include <nlohmann/json.hpp>

namespace cli {

namespace {

using nlohmann::ordered_json;

ordered_json TextOrNull(const std::string& text) {
    return text.empty() ? ordered_json(nullptr) : ordered_json(text);
}

/// A USB device's strings are not trusted to be UTF-8.
std::string Dump(const ordered_json& line) {
    return line.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

void List(const CtlInvocation& call, const platform::PortRoots& roots, std::ostream& out) {
    for (const platform::PortInfo& port : platform::DescribeComPorts(roots)) {
        if (call.json) {
            ordered_json line;
            line["ok"] = true;
            line["port"] = port.portNo;
            line["device"] = TextOrNull(port.path);
            line["target"] = TextOrNull(port.target);
            line["byId"] = port.byId;
            line["byPath"] = TextOrNull(port.byPath);
            line["usb"] = TextOrNull(port.usbId);
            line["manufacturer"] = TextOrNull(port.manufacturer);
            line["product"] = TextOrNull(port.product);
            line["serial"] = TextOrNull(port.serial);
            line["friendlyName"] = TextOrNull(port.friendlyName);
            line["ambiguous"] = port.ambiguous;
            if (!port.problem.empty())
                line["problem"] = port.problem;
            out << Dump(line) << '\n';
            continue;
        }
        out << "COM" << port.portNo << (port.portNo < 10 ? "   " : "  ")
            << (port.path.empty() ? "-" : port.path + (port.target.empty() ? "" : " -> " + port.target))
            << (port.problem.empty() ? "" : "   (" + port.problem + ")") << '\n';
        const auto detail = [&](const char* label, const std::string& text) {
            if (!text.empty())
                out << "       " << label << std::string(10 - std::char_traits<char>::length(label), ' ') << text
                    << '\n';
        };
        for (const std::string& name : port.byId)
            detail("by-id", name + (port.ambiguous ? " (also another adapter's name: pin by by-path)" : ""));
        detail("by-path", port.byPath);
        detail("name", port.friendlyName);
        std::string usb = port.usbId;
        for (const std::string& text : {port.manufacturer, port.product})
            usb += text.empty() ? "" : ", " + text;
        if (!port.usbId.empty())
            usb += port.serial.empty() ? ", no serial number" : ", serial " + port.serial;
        detail("USB", usb);
    }
}

int Pin(const CtlInvocation& call, const platform::PortRoots& roots, std::ostream& out, std::ostream& err) {
    int status = CtlDone;
    for (const platform::PinOutcome& pin : platform::PinComPorts(call.pin->port, call.pin->name, roots)) {
        const std::string com = "COM" + std::to_string(pin.portNo);
        ordered_json line;
        line["ok"] = pin.error.empty();
        if (!pin.error.empty()) {
            const std::string error = pin.portNo > 0 ? com + " not pinned: " + pin.error : pin.error;
            line["code"] = commission::CodeName(commission::Code::PinFailed);
            line["error"] = error;
            err << error << '\n';
            status = CtlFailed;
        } else if (!call.json) {
            out << (pin.target.empty() ? com + " removed; its adapter is COM" + std::to_string(call.pin->port) + " now"
                                       : com + " pinned to " + pin.target)
                << '\n';
        }
        if (pin.portNo > 0)
            line["port"] = pin.portNo;
        line["entry"] = TextOrNull(pin.entry);
        if (pin.error.empty())
            line["pinned"] = TextOrNull(pin.target);
        if (call.json)
            out << Dump(line) << '\n';
    }
    return status;
}

} // namespace

int ListPorts(const CtlInvocation& call, const platform::PortRoots& roots, std::ostream& out, std::ostream& err) {
    if (call.pin)
        return Pin(call, roots, out, err);
    List(call, roots, out);
    return CtlDone;
}

int RunPorts(Session& s) {
    return ListPorts(s.call, platform::PortRoots{}, s.env.out, s.env.err);
}

} // namespace cli
