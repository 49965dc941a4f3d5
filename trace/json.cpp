#include "json.h"

#include <cstdio>

namespace {

/// Length of the well-formed UTF-8 sequence at text[i], 0 when there is none.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

void AppendEscaped(std::string& out, unsigned char byte) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
    out += escaped;
}

} // namespace

std::string JsonQuote(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            // Control characters, and a reader's bytes that are no UTF-8 (kept as the Latin-1 character of that
            // value), are escaped.
            const std::size_t length = byte >= 0x80 ? Utf8Length(text, i) : 1;
            if (byte < 0x20 || byte == 0x7F || length == 0) {
                AppendEscaped(out, byte);
            } else {
                out.append(text.substr(i, length));
                i += length - 1;
            }
        }
    }
    out += '"';
    return out;
}

void JsonLine::key(std::string_view name) {
    if (body_.size() > 1)
        body_ += ',';
    body_ += JsonQuote(name);
    body_ += ':';
}

JsonLine& JsonLine::add(std::string_view name, std::string_view text) {
    key(name);
    body_ += JsonQuote(text);
    return *this;
}

JsonLine& JsonLine::add(std::string_view name, std::int64_t number) {
    key(name);
    body_ += std::to_string(number);
    return *this;
}

JsonLine& JsonLine::add(std::string_view name, bool value) {
    key(name);
    body_ += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::addOptional(std::string_view name, const std::optional<std::string>& text) {
    if (text)
        return add(name, std::string_view(*text));
    key(name);
    body_ += "null";
    return *this;
}
