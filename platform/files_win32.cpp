#include "files.h"

#include "native.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace platform {

namespace {

/// UTF-8 to the system's UTF-16; nothing for text that is not UTF-8.
std::optional<std::wstring> Wide(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    std::wstring wide(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    default:
        return EIO;
    }
}

FileIdentity Identity(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber, (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
            (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow};
}

} // namespace

// Shared for reading and writing, as _wfopen shares, but not for deletion: a file deleted while open stays
// until its last handle closes, so that rows written meanwhile would go with it. While the record is open, a
// program that would rename a new file over it or delete it is refused by the system instead.
std::FILE* OpenFile(const std::string& path, const char* mode) {
    const std::optional<std::wstring> name = Wide(path);
    if (!name || name->empty()) {
        errno = ENOENT;
        return nullptr;
    }
    const bool update = std::strchr(mode, '+') != nullptr;
    int flags = std::strchr(mode, 'b') ? _O_BINARY : _O_TEXT;
    DWORD access = 0;
    DWORD disposition = 0;
    switch (mode[0]) {
    case 'r':
        access = GENERIC_READ | (update ? GENERIC_WRITE : 0);
        disposition = OPEN_EXISTING;
        flags |= update ? _O_RDWR : _O_RDONLY;
        break;
    case 'w':
        access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
        disposition = CREATE_ALWAYS;
        flags |= update ? _O_RDWR : _O_WRONLY;
        break;
    case 'a':
        // Reading too: the file's identity and length are asked of the open handle.
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_ALWAYS;
        flags |= _O_APPEND | (update ? _O_RDWR : _O_WRONLY);
        break;
    default:
        errno = EINVAL;
        return nullptr;
    }
    const HANDLE handle = CreateFileW(name->c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = ErrnoOf(GetLastError());
        return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (descriptor < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, mode);
    if (!file)
        _close(descriptor);
    return file;
}

// Never through the narrow code page, and never throwing: text that is not UTF-8 names no file.
std::filesystem::path FsPath(const std::string& path) {
    const std::optional<std::wstring> wide = Wide(path);
    return wide ? std::filesystem::path(*wide) : std::filesystem::path(L"\uFFFD");
}

std::string ShownPath(const std::string& path) {
    std::string shown = path;
    for (char& c : shown) {
        if (c == '/')
            c = '\\';
    }
    return shown;
}

bool SyncFile(std::FILE* file) {
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool TruncateFile(std::FILE* file, std::uint64_t length) {
    std::fflush(file);
    std::clearerr(file);
    return _chsize_s(_fileno(file), static_cast<long long>(length)) == 0 && _commit(_fileno(file)) == 0;
}

std::optional<FileIdentity> IdentityOf(std::FILE* file) {
    BY_HANDLE_FILE_INFORMATION info{};
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    return Identity(info);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    const std::optional<std::wstring> name = Wide(path);
    if (!name || name->empty())
        return std::nullopt;
    // Attributes only, sharing everything: a spreadsheet holding the file open does not stop the look.
    const HANDLE handle =
        CreateFileW(name->c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known)
        return std::nullopt;
    return Identity(info);
}

bool MoveFileOver(const std::string& from, const std::string& to, int& error) {
    const std::optional<std::wstring> source = Wide(from);
    const std::optional<std::wstring> target = Wide(to);
    if (source && target &&
        MoveFileExW(source->c_str(), target->c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = source && target ? ErrnoOf(GetLastError()) : ENOENT;
    return false;
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_s(&local, &time);
    return local;
}

std::tm UtcTime(std::time_t time) {
    std::tm utc{};
    gmtime_s(&utc, &time);
    return utc;
}

} // namespace platform
