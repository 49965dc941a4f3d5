#include "files.h"

#include "native.h"

#include <cstdio>
#include <ctime>
#include <system_error>

namespace platform {

PathKind KindOf(const std::string& path) {
    std::error_code failed;
    const std::filesystem::file_status status = std::filesystem::status(FsPath(path), failed);
    switch (status.type()) {
    case std::filesystem::file_type::regular:
        return PathKind::File;
    case std::filesystem::file_type::directory:
        return PathKind::Folder;
    case std::filesystem::file_type::not_found:
    case std::filesystem::file_type::none:
        return PathKind::None;
    default:
        return PathKind::Other;
    }
}

bool FolderExists(const std::string& path) {
    const std::filesystem::path parent = FsPath(path).parent_path();
    std::error_code failed;
    return parent.empty() || std::filesystem::is_directory(parent, failed);
}

bool RemoveFile(const std::string& path) {
    std::error_code failed;
    return std::filesystem::remove(FsPath(path), failed);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::FILE* file = OpenFile(path, "rb");
    if (!file)
        return std::nullopt;
    std::string content;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        content.append(buffer, got);
    const bool read = !std::ferror(file);
    std::fclose(file);
    return read ? std::optional<std::string>(std::move(content)) : std::nullopt;
}

std::string IsoTimeNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = LocalTime(now);
    const std::tm utc = UtcTime(now);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    // The offset from the two readings of the same moment, not strftime's %z, which the Windows C runtime gives
    // as the zone's name. Written +01:00, as ISO 8601 and spreadsheets read it.
    const int days =
        local.tm_year != utc.tm_year ? (local.tm_year > utc.tm_year ? 1 : -1) : local.tm_yday - utc.tm_yday;
    const int offset = days * 24 * 60 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
    const int minutes = offset < 0 ? -offset : offset;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return std::string(text) + zone;
}

} // namespace platform
