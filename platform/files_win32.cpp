#include "files.h"

#include <cstdio>
#include <ctime>
#include <io.h>
#include <windows.h>

// windows.h makes ReplaceFile a macro for ReplaceFileA, which would rename the function defined below.
#undef ReplaceFile

namespace platform {

bool SyncFile(std::FILE* file) {
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool ReplaceFile(const std::string& from, const std::string& to, std::string& error) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = "error " + std::to_string(GetLastError());
    return false;
}

std::string IsoTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    // The C runtime's %z is the zone's name, not its offset: the offset is the local time read as UTC, less now.
    const long long offset = static_cast<long long>(_mkgmtime(&local) - now) / 60;
    const long long minutes = offset < 0 ? -offset : offset;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02lld:%02lld", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return std::string(text) + zone;
}

} // namespace platform
