#pragma once
// Every file the programs open goes through here. Paths are UTF-8 throughout; on Windows they reach the system
// by their wide names, so that a folder named in Chinese or after "José" opens whatever the ANSI code page is.
// Beyond opening: a write that reaches the disk before the next reader is taken, a file cut back to a length,
// a file's identity, a file replaced in one step, and the local time as a person reads it.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

/// std::fopen for a UTF-8 path (`mode` as fopen's, "b" for binary). Null, with errno set, when it fails.
std::FILE* OpenFile(const std::string& path, const char* mode);
/// The whole of a file. Nothing, with errno set, when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);
/// The path as std::filesystem takes it, built from UTF-8 (never through the narrow code page); a path that is
/// not UTF-8 names no file on Windows and throws nothing.
std::filesystem::path FsPath(const std::string& path);
/// The path as the user's system writes it: backslashes on Windows. Every message naming a file uses this.
std::string ShownPath(const std::string& path);

enum class PathKind { None, File, Folder, Other };
/// What `path` names, following links; Other for a device, a pipe or a socket.
PathKind KindOf(const std::string& path);
/// The folder `path` is in exists (or `path` names none, being relative to the working folder).
bool FolderExists(const std::string& path);
/// Removes a file; false when it could not.
bool RemoveFile(const std::string& path);

/// Flushes the stream and has the system write it to the disk; false when either fails.
bool SyncFile(std::FILE* file);
/// Cuts the open file back to `length` bytes and has that reach the disk; false when it could not.
bool TruncateFile(std::FILE* file, std::uint64_t length);

/// Which file on which volume: the device and inode on POSIX, the volume serial and file index on Windows.
/// Two paths, or a path and an open stream, with the same identity are the same file.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0; ///< not part of the identity: the length at the moment it was taken
    bool sameFile(const FileIdentity& other) const { return volume == other.volume && file == other.file; }
};
std::optional<FileIdentity> IdentityOf(std::FILE* file);
/// Nothing when no file is there (or it cannot be looked at).
std::optional<FileIdentity> IdentityOf(const std::string& path);

/// Puts `from` in place of `to` in one step, so that a reader of `to` sees the old file or the new one, never
/// a part; false, with errno's reason in `error`, when it cannot.
bool MoveFileOver(const std::string& from, const std::string& to, int& error);

/// Now as local time in ISO 8601 with the offset from UTC: 2026-12-09T11:41:07+01:00.
std::string IsoTimeNow();

} // namespace platform
