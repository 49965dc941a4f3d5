#include "trace_file.h"

#include "protocol/protocol.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

const char* OutcomeName(ReplyOutcome outcome) {
    switch (outcome) {
    case ReplyOutcome::Valid:
        return "valid";
    case ReplyOutcome::BadChecksum:
        return "bad checksum";
    case ReplyOutcome::Timeout:
        break;
    }
    return "time-out";
}

const char* OpenErrorName(platform::OpenError error) {
    switch (error) {
    case platform::OpenError::None:
        return "";
    case platform::OpenError::NotFound:
        return "not found";
    case platform::OpenError::Busy:
        return "in use by another program";
    case platform::OpenError::Permission:
        return "permission denied";
    case platform::OpenError::Other:
        break;
    }
    return "could not open";
}

/// Now in UTC as 2026-12-09T03:41:07.123Z.
std::string WallClockNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis));
    return text;
}

} // namespace

std::string TraceHex(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const std::uint8_t byte : bytes) {
        if (!out.empty())
            out += ' ';
        const std::array<char, 2> digits = ByteToHex(byte);
        out.append(digits.data(), digits.size());
    }
    return out;
}

std::string TracePrintable(std::span<const std::uint8_t> bytes) {
    std::string out;
    for (const std::uint8_t byte : bytes) {
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return out;
}

std::unique_ptr<TraceFile> TraceFile::Open(const std::string& path, const std::string& program, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) {
        error = "cannot open the trace file " + path;
        return nullptr;
    }
    std::unique_ptr<TraceFile> trace(new TraceFile(file));
    trace->write(JsonLine().add("t", 0).add("event", "start").add("program", program).add("wall", WallClockNow()));
    return trace;
}

TraceFile::TraceFile(std::FILE* file) : file_(file), startMs_(platform::CurrentSystem().clockMs()) {}

TraceFile::~TraceFile() {
    std::fclose(file_);
}

JsonLine TraceFile::line(std::uint32_t atMs, const char* event) const {
    JsonLine line;
    line.add("t", atMs - startMs_).add("event", event).add("port", portNo_).add("line", settings_);
    return line;
}

void TraceFile::write(const JsonLine& line) {
    const std::string text = line.str() + '\n';
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}

void TraceFile::portOpened(int portNo, const std::string& settings, platform::OpenError error) {
    portNo_ = portNo;
    settings_ = settings;
    JsonLine open = line(platform::CurrentSystem().clockMs(), "open");
    open.add("ok", error == platform::OpenError::None);
    if (error != platform::OpenError::None)
        open.add("error", OpenErrorName(error));
    write(open);
}

void TraceFile::portClosed() {
    write(line(platform::CurrentSystem().clockMs(), "close"));
}

void TraceFile::exchange(std::uint32_t sentAtMs, std::span<const std::uint8_t> frame, std::uint32_t endedAtMs,
                         std::span<const std::uint8_t> reply, ReplyOutcome outcome) {
    write(line(sentAtMs, "command")
              .add("dir", "out")
              .add("text", ParseCommandFrame({reinterpret_cast<const char*>(frame.data()), frame.size()}).value_or(""))
              .add("hex", TraceHex(frame))
              .add("printable", TracePrintable(frame)));
    write(line(endedAtMs, "reply")
              .add("dir", "in")
              .add("outcome", OutcomeName(outcome))
              .add("ms", endedAtMs - sentAtMs)
              .add("bytes", static_cast<int>(reply.size()))
              .add("hex", TraceHex(reply))
              .add("printable", TracePrintable(reply)));
}
