#pragma once
// The protocol trace as a file of JSON lines, appended and flushed line by line, so that a trace of a run that
// was cut short still holds everything up to the cut. docs/trace.md describes the lines.

#include "link/trace.h"
#include "trace/json.h"

#include <cstdio>
#include <memory>
#include <string>

class TraceFile final : public TraceSink {
public:
    /// Opens `path` for appending and writes the start line; nullptr, with the reason in `error`, when the
    /// file cannot be opened.
    static std::unique_ptr<TraceFile> Open(const std::string& path, const std::string& program, std::string& error);
    ~TraceFile() override;

    void portOpened(int portNo, const std::string& settings, platform::OpenError error) override;
    void portClosed() override;
    void exchange(std::uint32_t sentAtMs, std::span<const std::uint8_t> frame, std::uint32_t endedAtMs,
                  std::span<const std::uint8_t> reply, ReplyOutcome outcome) override;

private:
    explicit TraceFile(std::FILE* file);
    /// A line with the trace time, the event and the port it concerns.
    JsonLine line(std::uint32_t atMs, const char* event) const;
    void write(const JsonLine& line);

    std::FILE* file_;
    std::uint32_t startMs_;
    int portNo_ = 0;
    std::string settings_;
};

/// The bytes as upper-case hexadecimal pairs separated by blanks.
std::string TraceHex(std::span<const std::uint8_t> bytes);
/// The bytes as text: printable ASCII as it is (a backslash doubled), TAB, LF and CR as \t \n \r, anything
/// else as \xNN.
std::string TracePrintable(std::span<const std::uint8_t> bytes);
