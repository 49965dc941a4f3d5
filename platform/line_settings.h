#pragma once
// Line-settings texts such as "19200,e,8,1": what the back ends apply, the virtual device carries and the reader
// model listens at.

#include <cstdint>
#include <string>

namespace platform {

/// The four fields of a line-settings text such as "19200,e,8,1".
struct LineSettings {
    std::uint32_t baud = 0;
    char parity = 'n'; // 'n' none, 'e' even, 'o' odd, 'm' mark, 's' space
    int dataBits = 8;
    int stopBits = 1;
    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

/// Parses "baud,parity,data,stop" (parity letter in either case). False, leaving `out` alone, for anything else.
bool ParseLineSettings(const std::string& text, LineSettings& out);

} // namespace platform
