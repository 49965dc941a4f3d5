#pragma once
// The protocol trace as a file of JSON lines, appended and flushed line by line, so that a trace of a run that
// was cut short still holds everything up to the cut. docs/trace.md describes the lines.

#include "link/trace.h"
#include "platform/system.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace trace {

class TraceFile final : public readerlink::TraceSink {
public:
    /// Opens `path` for appending and writes the start line; nullptr, with the reason in `error`, when the
    /// file cannot be opened. Times are `system`'s clock, the one that times the replies.
    static std::unique_ptr<TraceFile> Open(const std::string& path, const std::string& program,
                                           platform::System& system, std::string& error);
    ~TraceFile() override;
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    void portOpened(int portNo, const std::string& settings, platform::OpenError error) override;
    void portClosed(int portNo, const std::string& settings) override;
    void exchange(const readerlink::Exchange& exchange) override;

    /// Told once when a line could not be written (a full disk, a vanished file); the program warns.
    std::function<void(const std::string& path)> onWriteError;

private:
    TraceFile(std::FILE* file, std::string path, platform::System& system);
    /// A line with the trace time, the event and the port and line setting it concerns.
    nlohmann::ordered_json line(std::uint32_t atMs, const char* event, int portNo, const std::string& settings) const;
    void write(const nlohmann::ordered_json& line);

    std::FILE* file_;
    std::string path_;
    platform::System& system_;
    std::uint32_t startMs_;
    bool failed_ = false;
};

/// The bytes as upper-case hexadecimal pairs separated by blanks.
std::string TraceHex(std::span<const std::uint8_t> bytes);
/// The bytes as text: printable ASCII as it is (a backslash doubled), TAB, LF and CR as \t \n \r, anything
/// else as \xNN.
std::string TracePrintable(std::span<const std::uint8_t> bytes);

} // namespace trace
