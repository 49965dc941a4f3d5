#include "termios_speed.h"

namespace platform {

namespace {

const struct {
    std::uint32_t baud;
    speed_t speed;
} Speeds[] = {{50, B50},     {75, B75},       {110, B110},     {134, B134},     {150, B150},       {200, B200},
              {300, B300},   {600, B600},     {1200, B1200},   {1800, B1800},   {2400, B2400},     {4800, B4800},
              {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400}};

} // namespace

bool SpeedOfBaud(std::uint32_t baud, speed_t& speed) {
    for (const auto& entry : Speeds) {
        if (entry.baud == baud) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

std::uint32_t BaudOfSpeed(speed_t speed) {
    for (const auto& entry : Speeds)
        if (entry.speed == speed)
            return entry.baud;
    return 0;
}

} // namespace platform
