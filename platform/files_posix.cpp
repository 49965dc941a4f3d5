#include "files.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace platform {

bool SyncFile(std::FILE* file) {
    return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

bool MoveFileOver(const std::string& from, const std::string& to, std::string& error) {
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    error = std::strerror(errno);
    return false;
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

std::tm UtcTime(std::time_t time) {
    std::tm utc{};
    gmtime_r(&time, &utc);
    return utc;
}

} // namespace platform
