#pragma once
// The words a person types for a value, on the command line or in a plan's cell: decimal numbers, list items by
// name or index, line settings.

#include <initializer_list>
#include <string>

namespace commission {

/// A whole decimal number of at most `maxDigits` digits, nothing else; -1 otherwise.
long long ParseNumber(const std::string& text, std::size_t maxDigits = 9);
/// The number `text` is, when it lies from `low` to `high`; -1 otherwise.
long long InRange(const std::string& text, long long low, long long high);
std::string Lower(std::string text);
/// Index of `text` among `names` (in any letter case), or among the list indexes "0".."n-1"; -1 if none.
int ListItem(const std::string& text, std::initializer_list<const char*> names);
/// A line-settings argument: an index 0-11 or one of the table's texts ("19200,e,8,1"; parity letter in either
/// case). -1 for anything else.
int ParseLineSetting(const std::string& text);

} // namespace commission
