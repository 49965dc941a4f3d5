#include "csv.h"

namespace commission {

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

std::string CsvCellText(const std::string& cell) {
    if (cell.size() >= 2 && cell[0] == '\'' && std::string_view("=+-@").find(cell[1]) != std::string_view::npos)
        return cell.substr(1);
    return cell;
}

CsvReader::CsvReader(std::string_view text) : text_(text) {
    // A spreadsheet's UTF-8 export may begin with a byte-order mark.
    if (text_.substr(0, 3) == "\xEF\xBB\xBF")
        at_ = 3;
}

std::optional<CsvReader::Record> CsvReader::next() {
    while (error_.empty() && at_ < text_.size()) {
        Record record;
        record.line = line_;
        std::string field;
        bool quoted = false; // inside quotes
        bool wasQuoted = false;
        for (;;) {
            if (at_ == text_.size()) {
                if (quoted) {
                    error_ = "line " + std::to_string(record.line) + ": a quote is not closed";
                    return std::nullopt;
                }
                break;
            }
            const char c = text_[at_++];
            if (quoted) {
                if (c == '"') {
                    if (at_ < text_.size() && text_[at_] == '"') {
                        field += '"';
                        ++at_;
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == '\n')
                        ++line_;
                    field += c;
                }
                continue;
            }
            if (c == '"' && field.empty() && !wasQuoted) {
                quoted = wasQuoted = true;
            } else if (c == ',') {
                record.fields.push_back(std::move(field));
                field.clear();
                wasQuoted = false;
            } else if (c == '\n' || (c == '\r' && at_ < text_.size() && text_[at_] == '\n')) {
                if (c == '\r')
                    ++at_;
                ++line_;
                break;
            } else if (wasQuoted) {
                error_ = "line " + std::to_string(line_) + ": text after a closing quote";
                return std::nullopt;
            } else {
                field += c;
            }
        }
        record.fields.push_back(std::move(field));
        if (record.fields.size() == 1 && record.fields[0].empty() && !wasQuoted)
            continue; // an empty line
        return record;
    }
    return std::nullopt;
}

} // namespace commission
