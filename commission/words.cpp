#include "words.h"

#include "protocol/protocol.h"

#include <cctype>

namespace commission {

long long ParseNumber(const std::string& text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits)
        return -1;
    long long value = 0;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

long long InRange(const std::string& text, long long low, long long high) {
    const long long value = ParseNumber(text);
    return value >= low && value <= high ? value : -1;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

int ListItem(const std::string& text, std::initializer_list<const char*> names) {
    int index = 0;
    for (const char* name : names) {
        if (Lower(text) == name)
            return index;
        ++index;
    }
    const long long number = ParseNumber(text, 1);
    return number >= 0 && number < static_cast<long long>(names.size()) ? static_cast<int>(number) : -1;
}

int ParseLineSetting(const std::string& text) {
    const long long index = ParseNumber(text, 2);
    if (index >= 0)
        return index < protocol::BaudRateCount ? static_cast<int>(index) : -1;
    for (int i = 0; i < protocol::BaudRateCount; ++i) {
        if (Lower(text) == protocol::BaudRateTable[i])
            return i;
    }
    return -1;
}

} // namespace commission
