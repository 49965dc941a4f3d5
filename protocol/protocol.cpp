#include "protocol.h"

#include "protocol/commands.h"

#include <algorithm>

namespace protocol {

namespace {
constexpr char Tab = 0x09;
constexpr char Lf = 0x0A;
constexpr char Cr = 0x0D;
} // namespace

std::uint8_t XorChecksum(std::span<const std::uint8_t> bytes, std::uint8_t start) {
    std::uint8_t sum = start;
    for (const std::uint8_t byte : bytes)
        sum ^= byte;
    return sum;
}

std::uint8_t XorChecksum(std::string_view bytes, std::uint8_t start) {
    return XorChecksum(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), start);
}

std::uint8_t CommandChecksum(const char* text, int length) {
    return XorChecksum(std::string_view(text, length > 0 && text ? static_cast<std::size_t>(length) : 0), Tab);
}

std::array<char, 2> ByteToHex(std::uint8_t byte) {
    constexpr char digits[] = "0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 0x0F]};
}

bool ReplyChecksumRight(std::span<const std::uint8_t> frame) {
    if (frame.size() < 4)
        return false;
    const std::array<char, 2> digits = ByteToHex(XorChecksum(frame.first(frame.size() - 3)));
    return frame[frame.size() - 3] == static_cast<std::uint8_t>(digits[0]) &&
           frame[frame.size() - 2] == static_cast<std::uint8_t>(digits[1]);
}

namespace {
std::string Framed(char start, std::string_view body) {
    std::string frame(1, start);
    frame += body;
    const std::array<char, 2> digits = ByteToHex(XorChecksum(frame));
    frame += digits[0];
    frame += digits[1];
    frame += Cr;
    return frame;
}
} // namespace

std::optional<std::string> BuildCommandFrame(std::string_view text) {
    if (text.size() > MaxCommandText)
        return std::nullopt;
    return Framed(Tab, text);
}

std::string BuildReplyFrame(std::string_view body) {
    return Framed(Lf, body);
}

std::optional<std::string> ParseCommandFrame(std::string_view frame) {
    if (frame.size() < 4 || frame.front() != Tab || frame.back() != Cr)
        return std::nullopt;
    const std::string_view text = frame.substr(1, frame.size() - 4);
    if (text.find_first_of("\t\r") != std::string_view::npos)
        return std::nullopt;
    // The same two digits before the last byte as a reply's.
    if (!ReplyChecksumRight(std::span(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size())))
        return std::nullopt;
    return std::string(text);
}

std::uint32_t HexToUInt32(std::string_view text) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const char c = i < text.size() ? text[i] : '\0';
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        value = value * 16 + digit;
    }
    return value;
}

std::string ReplyBytes(std::string_view reply, int first, int last) {
    const int length = static_cast<int>(reply.size());
    if (first < 1 || last < first || first > length)
        return {};
    return std::string(reply.substr(static_cast<std::size_t>(first - 1),
                                    static_cast<std::size_t>(std::min(last, length) - first + 1)));
}

std::string ReplyBytes(std::string_view reply, const Field& field) {
    return ReplyBytes(reply, field.first, field.last);
}

bool ReplyDigits(std::string_view frame, const Field& field) {
    // The body ends before the frame's checksum digits and CR, wherever the text ends.
    const std::string bytes = ReplyBytes(frame.substr(0, frame.find('\0')), field);
    return field.last <= static_cast<int>(frame.size()) - 3 && static_cast<int>(bytes.size()) == field.length() &&
           std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int ReplyDigit(std::string_view reply, int position, int count) {
    const std::string field = ReplyBytes(reply, position, position);
    if (field.size() != 1 || field[0] < '0' || field[0] > '9')
        return -1;
    const int value = field[0] - '0';
    return value < count ? value : -1;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

std::optional<std::string> Utf8ToLatin1(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
            bytes += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

std::optional<PolledEntry> ReadPolledEntry(std::span<const std::uint8_t> received, std::string_view reply) {
    if (received.size() < static_cast<std::size_t>(MinimumDataReply))
        return std::nullopt;
    const int length = static_cast<int>(reply.size());
    PolledEntry entry;
    if (received[PollKindIndex] == PollKeypad) {
        if (length <= MinimumDataReply)
            return std::nullopt;
        entry.keypad = true;
        entry.characters = ReplyBytes(reply, KeysPosition, length - 3);
        entry.digits = entry.characters;
        return entry;
    }
    entry.characters = ReplyBytes(reply, CardField);
    entry.digits = ReplyBytes(reply, CardField.first, std::min(CardField.last, length - 3));
    entry.number = HexToUInt32(entry.characters);
    return entry;
}

} // namespace protocol
