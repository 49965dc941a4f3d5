#pragma once
// What the record and the report need of the file system beyond the C library: a write that reaches the disk
// before the next reader is taken, a file replaced in one step, and the local time as a person reads it.

#include <cstdio>
#include <string>

namespace platform {

/// Flushes the stream and has the system write it to the disk; false when either fails.
bool SyncFile(std::FILE* file);
/// Puts `from` in place of `to` in one step, so that a reader of `to` sees the old file or the new one, never
/// a part; false, with the reason in `error`, when it cannot.
bool MoveFileOver(const std::string& from, const std::string& to, std::string& error);
/// Now as local time in ISO 8601 with the offset from UTC: 2026-12-09T11:41:07+01:00.
std::string IsoTimeNow();

} // namespace platform
