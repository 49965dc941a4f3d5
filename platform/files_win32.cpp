#include "files.h"

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
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string iso = text;
    if (iso.size() > 2)
        iso.insert(iso.size() - 2, ":");
    return iso;
}

} // namespace platform
