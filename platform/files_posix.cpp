#include "files.h"

#include "native.h"

#include <cerrno>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

FileIdentity Identity(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size)};
}

} // namespace

// A POSIX path is bytes: UTF-8 goes to the system as it is.
std::FILE* OpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

// The bytes as they are: a name that is not UTF-8 (an old disk's Latin-1) still names its file.
std::filesystem::path FsPath(const std::string& path) {
    return std::filesystem::path(path);
}

std::string ShownPath(const std::string& path) {
    return path;
}

bool SyncFile(std::FILE* file) {
    return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

bool TruncateFile(std::FILE* file, std::uint64_t length) {
    std::fflush(file);
    std::clearerr(file);
    return ::ftruncate(::fileno(file), static_cast<off_t>(length)) == 0 && ::fsync(::fileno(file)) == 0;
}

std::optional<FileIdentity> IdentityOf(std::FILE* file) {
    struct stat info {};
    if (::fstat(::fileno(file), &info) != 0)
        return std::nullopt;
    return Identity(info);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return Identity(info);
}

bool MoveFileOver(const std::string& from, const std::string& to, int& error) {
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    error = errno;
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
