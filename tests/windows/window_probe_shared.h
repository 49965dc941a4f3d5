#pragma once
// What window_probe and its hook DLL share while the hook runs inside the probed program.

#include <cstdint>

namespace probe {

inline constexpr const char* SharedName = "Local\\readerconfig-window-probe";
inline constexpr const char* ReadyName = "Local\\readerconfig-window-probe-ready";

struct Shared {
    std::uint64_t window; ///< the HWND whose system menu is wanted
    volatile long done;   ///< set by the hook once it has written
    int count;            ///< GetMenuItemCount, -1 without a menu
    char text[4096];      ///< one "position id text" line per entry
};

} // namespace probe
