#include "report.h"

#include "protocol/protocol.h"

#include <chrono>
#include <ctime>

namespace cli {

using operations::Outcome;
using operations::Result;
using platform::OpenError;

const char* CodeName(Code code) {
    switch (code) {
    case Code::None:
        return "";
    case Code::Usage:
        return "usage";
    case Code::NotFound:
        return "not-found";
    case Code::NoDevice:
        return "no-device";
    case Code::PortBusy:
        return "port-busy";
    case Code::Permission:
        return "permission";
    case Code::PortError:
        return "port-error";
    case Code::PortGone:
        return "port-gone";
    case Code::NoReply:
        return "no-reply";
    case Code::Incomplete:
        return "incomplete";
    case Code::VerifyMismatch:
        return "verify-mismatch";
    case Code::Interrupted:
        break;
    }
    return "interrupted";
}

Code CodeOf(const Result& result, bool scan) {
    switch (result.outcome) {
    case Outcome::Done:
        return Code::None;
    case Outcome::Interrupted:
        return Code::Interrupted;
    case Outcome::Incomplete:
        if (result.portGone)
            return Code::PortGone;
        return Code::Incomplete;
    case Outcome::Failed:
        break;
    }
    switch (result.openError) {
    case OpenError::NotFound:
        return Code::NoDevice;
    case OpenError::Busy:
        return Code::PortBusy;
    case OpenError::Permission:
        return Code::Permission;
    case OpenError::Other:
        return Code::PortError;
    case OpenError::None:
        break;
    }
    if (result.portGone)
        return Code::PortGone;
    return scan ? Code::NotFound : Code::NoReply;
}

std::string Cause(Code code, int port, const std::string& line) {
    const std::string com = "COM" + std::to_string(port);
    switch (code) {
    case Code::NoDevice:
        return com + ": no such device";
    case Code::PortBusy:
        return com + " is in use by another program";
    case Code::Permission:
        return com + ": no permission to open it";
    case Code::PortError:
        return com + " could not be opened";
    case Code::PortGone:
        return com + " is gone (the adapter was removed?)";
    case Code::NoReply:
        return "no reply from " + com + " at " + line;
    case Code::Incomplete:
        return "the reader on " + com + " did not give all of its information";
    case Code::Interrupted:
        return "interrupted";
    case Code::None:
    case Code::Usage:
    case Code::NotFound:
    case Code::VerifyMismatch:
        break;
    }
    return {};
}

namespace {
nlohmann::ordered_json Text(const std::optional<std::string>& field) {
    return field ? nlohmann::ordered_json(protocol::Latin1ToUtf8(*field)) : nlohmann::ordered_json(nullptr);
}
} // namespace

nlohmann::ordered_json ReaderJson(const operations::ReaderInfo& info) {
    nlohmann::ordered_json reader;
    reader["serial"] = Text(info.serial);
    reader["version"] = Text(info.version);
    reader["id"] = Text(info.id);
    reader["keys"] = Text(info.keys);
    reader["parity"] = Text(info.parity);
    reader["mode"] = Text(info.mode);
    return reader;
}

std::string CsvField(const std::string& text) {
    std::string field = text;
    if (!field.empty() && (field[0] == '=' || field[0] == '+' || field[0] == '-' || field[0] == '@'))
        field.insert(field.begin(), '\'');
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (const char c : field) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string IsoTimeNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    // strftime's offset is +0100; ISO 8601 as spreadsheets read it wants +01:00.
    std::string iso = text;
    if (iso.size() > 2)
        iso.insert(iso.size() - 2, ":");
    return iso;
}

std::unique_ptr<Record> Record::Open(const std::string& path, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) {
        error = "cannot open the record file " + path;
        return nullptr;
    }
    std::unique_ptr<Record> record(new Record(file));
    std::fseek(file, 0, SEEK_END);
    if (std::ftell(file) == 0) {
        const char header[] = "time,port,line,serial,firmware,id,keys,parity,mode,outcome,code\r\n";
        std::fputs(header, file);
        std::fflush(file);
    }
    return record;
}

Record::~Record() {
    std::fclose(file_);
}

bool Record::add(const RecordRow& row) {
    const auto field = [](const std::optional<std::string>& value) {
        return CsvField(protocol::Latin1ToUtf8(value.value_or("")));
    };
    const std::string line = IsoTimeNow() + ',' + (row.port > 0 ? "COM" + std::to_string(row.port) : "") + ',' +
                             CsvField(row.line) + ',' + field(row.info.serial) + ',' + field(row.info.version) + ',' +
                             field(row.info.id) + ',' + field(row.info.keys) + ',' + field(row.info.parity) + ',' +
                             field(row.info.mode) + ',' + (row.ok ? "done" : "failed") + ',' + CodeName(row.code) +
                             "\r\n";
    return std::fputs(line.c_str(), file_) >= 0 && std::fflush(file_) == 0;
}

} // namespace cli
