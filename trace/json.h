#pragma once
// One JSON object on one line, built field by field in the order added. Texts are taken as UTF-8; bytes that
// are not printable ASCII are escaped, so a line never breaks and never carries raw control characters.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class JsonLine {
public:
    JsonLine& add(std::string_view key, std::string_view text);
    JsonLine& add(std::string_view key, const char* text) { return add(key, std::string_view(text)); }
    JsonLine& add(std::string_view key, const std::string& text) { return add(key, std::string_view(text)); }
    JsonLine& add(std::string_view key, std::int64_t number);
    JsonLine& add(std::string_view key, int number) { return add(key, static_cast<std::int64_t>(number)); }
    JsonLine& add(std::string_view key, std::uint32_t number) { return add(key, static_cast<std::int64_t>(number)); }
    JsonLine& add(std::string_view key, bool value);
    /// null when empty.
    JsonLine& addOptional(std::string_view key, const std::optional<std::string>& text);
    /// The object, without a line end.
    std::string str() const { return body_ + '}'; }

private:
    void key(std::string_view name);
    std::string body_ = "{";
};

/// `text` as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view text);
