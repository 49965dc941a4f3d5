#include "files.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace platform {

bool SyncFile(std::FILE* file) {
    return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

bool ReplaceFile(const std::string& from, const std::string& to, std::string& error) {
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    error = std::strerror(errno);
    return false;
}

std::string IsoTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    // strftime's offset is +0100; ISO 8601 as spreadsheets read it wants +01:00.
    std::string iso = text;
    if (iso.size() > 2)
        iso.insert(iso.size() - 2, ":");
    return iso;
}

} // namespace platform
