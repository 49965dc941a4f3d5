#include "line_settings.h"

#include <cstdlib>

namespace platform {

bool ParseLineSettings(const std::string& text, LineSettings& out) {
    // Exactly four comma-separated fields; the parity letter may be in either case.
    std::string fields[4];
    int field = 0;
    for (char c : text) {
        if (c == ',') {
            if (++field > 3)
                return false;
        } else {
            fields[field] += c;
        }
    }
    if (field != 3)
        return false;
    auto number = [](const std::string& s, unsigned long& value) {
        if (s.empty() || s.size() > 9)
            return false;
        for (char c : s)
            if (c < '0' || c > '9')
                return false;
        value = std::strtoul(s.c_str(), nullptr, 10);
        return true;
    };
    unsigned long baud = 0, data = 0, stop = 0;
    if (!number(fields[0], baud) || baud == 0 || !number(fields[2], data) || !number(fields[3], stop))
        return false;
    if (fields[1].size() != 1)
        return false;
    char parity = fields[1][0];
    if (parity >= 'A' && parity <= 'Z')
        parity = static_cast<char>(parity - 'A' + 'a');
    if (std::string("neoms").find(parity) == std::string::npos)
        return false;
    if (data < 5 || data > 8 || (stop != 1 && stop != 2))
        return false;
    out = LineSettings{static_cast<std::uint32_t>(baud), parity, static_cast<int>(data), static_cast<int>(stop)};
    return true;
}

} // namespace platform
