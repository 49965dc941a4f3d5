#include "csv.h"

#include "localisation/message_table.h"

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

char CsvSeparator(std::string_view text) {
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && (c == ',' || c == ';' || c == '\t'))
            return c;
    }
    return ',';
}

CsvReader::CsvReader(std::string_view text, char separator) : text_(text), separator_(separator) {
    // A spreadsheet's UTF-8 export may begin with a byte-order mark.
    if (text_.substr(0, 3) == "\xEF\xBB\xBF")
        at_ = 3;
}

std::optional<CsvReader::Record> CsvReader::next() {
    while (!errorLine_ && at_ < text_.size()) {
        Record record;
        record.line = line_;
        std::string field;
        bool quoted = false; // inside quotes
        bool wasQuoted = false;
        for (;;) {
            if (at_ == text_.size()) {
                if (quoted) {
                    fail(record.line, localisation::csQuoteOpen);
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
                    if (c == '\n' || (c == '\r' && (at_ == text_.size() || text_[at_] != '\n')))
                        ++line_;
                    field += c;
                }
                continue;
            }
            if (c == '"' && field.empty() && !wasQuoted) {
                quoted = wasQuoted = true;
            } else if (c == separator_) {
                record.fields.push_back(std::move(field));
                field.clear();
                wasQuoted = false;
            } else if (c == '\n' || c == '\r') {
                if (c == '\r' && at_ < text_.size() && text_[at_] == '\n')
                    ++at_;
                ++line_;
                break;
            } else if (wasQuoted) {
                fail(line_, localisation::csAfterQuote);
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

Reason CsvReader::error() const {
    return errorLine_ ? Reason(localisation::plLineFault, {std::to_string(errorLine_), fault_}) : Reason();
}

void CsvReader::fail(int line, localisation::TextId fault) {
    errorLine_ = line;
    fault_ = fault;
}

} // namespace commission
