#pragma once
// CSV as spreadsheets write and read it (RFC 4180): fields separated by commas, quoted when they hold a comma, a
// quote or a line end, quotes doubled inside. Records end with CRLF, LF or a lone CR. A spreadsheet set for a
// language that writes decimal commas separates with semicolons, and its "Unicode text" with tabs.

#include "commission/events.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace commission {

/// A field as the record writes it: quoted when needed; one that a spreadsheet would take for a formula (=, +, -,
/// @ first) is kept as text by a leading apostrophe, since a reader's bytes are not trusted.
std::string CsvField(const std::string& text);
/// A cell as a person meant it: the apostrophe that CsvField put before a formula character taken off.
std::string CsvCellText(const std::string& cell);

/// The separator a text's first line uses: the first comma, semicolon or tab outside quotes; a comma if none.
char CsvSeparator(std::string_view text);

/// Reads the records of a CSV text one after another.
class CsvReader {
public:
    explicit CsvReader(std::string_view text, char separator = ',');

    struct Record {
        int line = 0; ///< the 1-based line the record starts on
        std::vector<std::string> fields;
    };
    /// The next record that is not an empty line; nothing at the end or after an error.
    std::optional<Record> next();
    /// What is wrong with the text, with its line; empty while nothing is.
    Reason error() const;
    /// The line and the fault of error() apart, for a caller that names the line itself; 0 while nothing is wrong.
    int errorLine() const { return errorLine_; }
    Reason fault() const { return fault_; }

private:
    void fail(int line, localisation::TextId fault);

    std::string_view text_;
    char separator_;
    std::size_t at_ = 0;
    int line_ = 1;
    int errorLine_ = 0;
    localisation::TextId fault_{};
};

} // namespace commission
