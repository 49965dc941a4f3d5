#include "trace_file.h"

#include "platform/files.h"
#include "protocol/protocol.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

namespace trace {

using nlohmann::ordered_json;
using readerlink::ReplyOutcome;

namespace {

const char* OutcomeName(ReplyOutcome outcome) {
    switch (outcome) {
    case ReplyOutcome::Valid:
        return "valid";
    case ReplyOutcome::BadChecksum:
        return "bad checksum";
    case ReplyOutcome::NotSent:
        return "not sent";
    case ReplyOutcome::PortGone:
        return "port gone";
    case ReplyOutcome::Dropped:
        return "dropped";
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
        const std::array<char, 2> digits = protocol::ByteToHex(byte);
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

std::unique_ptr<TraceFile> TraceFile::Open(const std::string& path, const std::string& program,
                                           platform::System& system, std::string& error) {
    std::FILE* file = platform::OpenFile(path, "ab");
    if (!file) {
        error = "cannot open the trace file " + platform::ShownPath(path);
        return nullptr;
    }
    std::unique_ptr<TraceFile> trace(new TraceFile(file, path, system));
    ordered_json start;
    start["t"] = 0;
    start["event"] = "start";
    start["program"] = program;
    start["wall"] = WallClockNow();
    trace->write(start);
    if (trace->failed_) {
        error = "cannot write to the trace file " + platform::ShownPath(path);
        return nullptr;
    }
    return trace;
}

TraceFile::TraceFile(std::FILE* file, std::string path, platform::System& system)
    : file_(file), path_(std::move(path)), system_(system), startMs_(system.clockMs()) {}

TraceFile::~TraceFile() {
    std::fclose(file_);
}

ordered_json TraceFile::line(std::uint32_t atMs, const char* event, int portNo, const std::string& settings) const {
    ordered_json line;
    line["t"] = atMs - startMs_;
    line["event"] = event;
    line["port"] = portNo;
    line["line"] = settings;
    return line;
}

void TraceFile::write(const ordered_json& line) {
    // Every text in a line is ASCII or UTF-8 already; a stray byte still never breaks the line.
    const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
    const bool written = std::fwrite(text.data(), 1, text.size(), file_) == text.size() && std::fflush(file_) == 0;
    if (!written && !failed_) {
        failed_ = true;
        if (onWriteError)
            onWriteError(platform::ShownPath(path_));
    }
}

void TraceFile::portOpened(int portNo, const std::string& settings, platform::OpenError error) {
    ordered_json open = line(system_.clockMs(), "open", portNo, settings);
    open["ok"] = error == platform::OpenError::None;
    if (error != platform::OpenError::None)
        open["error"] = OpenErrorName(error);
    write(open);
}

void TraceFile::portClosed(int portNo, const std::string& settings) {
    write(line(system_.clockMs(), "close", portNo, settings));
}

void TraceFile::exchange(const readerlink::Exchange& exchange) {
    const std::string settings(exchange.settings);
    const auto bytes = [](std::span<const std::uint8_t> data) {
        ordered_json part;
        part["bytes"] = data.size();
        part["hex"] = TraceHex(data);
        part["printable"] = TracePrintable(data);
        return part;
    };
    ordered_json command = line(exchange.sentAtMs, "command", exchange.portNo, settings);
    command["dir"] = "out";
    command["text"] =
        protocol::ParseCommandFrame({reinterpret_cast<const char*>(exchange.frame.data()), exchange.frame.size()})
            .value_or("");
    command["hex"] = TraceHex(exchange.frame);
    command["printable"] = TracePrintable(exchange.frame);
    if (!exchange.discarded.empty())
        command["discarded"] = bytes(exchange.discarded);
    write(command);
    ordered_json answer = line(exchange.endedAtMs, "reply", exchange.portNo, settings);
    answer["dir"] = "in";
    answer["outcome"] = OutcomeName(exchange.outcome);
    answer["ms"] = exchange.endedAtMs - exchange.sentAtMs;
    answer["bytes"] = exchange.reply.size();
    answer["hex"] = TraceHex(exchange.reply);
    answer["printable"] = TracePrintable(exchange.reply);
    if (!exchange.setAside.empty()) {
        ordered_json setAside = bytes(exchange.setAside);
        setAside["echo"] = exchange.echoed;
        answer["set_aside"] = setAside;
    }
    write(answer);
}

} // namespace trace
