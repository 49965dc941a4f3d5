#include "reply_frame.h"

namespace sim {

const char* const ReaderLines[ReaderLineCount] = {"4800,n,8,1",  "4800,e,8,1",  "9600,n,8,1",   "9600,e,8,1",
                                                  "19200,n,8,1", "19200,e,8,1", "38400,n,8,1",  "38400,e,8,1",
                                                  "57600,n,8,1", "57600,e,8,1", "115200,n,8,1", "115200,e,8,1"};

bool ReaderLine(int index, platform::LineSettings& out) {
    return index >= 0 && index < ReaderLineCount && platform::ParseLineSettings(ReaderLines[index], out);
}

std::uint32_t CharacterTimeUs(const platform::LineSettings& line) {
    if (line.baud == 0)
        return 0;
    const std::uint64_t bits = 1u + static_cast<unsigned>(line.dataBits) + (line.parity == 'n' ? 0u : 1u) +
                               static_cast<unsigned>(line.stopBits);
    return static_cast<std::uint32_t>((bits * 1000000u + line.baud - 1) / line.baud);
}

std::string HexDigits(std::uint8_t byte) {
    static const char digits[] = "0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 0x0F]};
}

std::uint8_t XorOf(std::string_view bytes) {
    std::uint8_t sum = 0;
    for (char c : bytes)
        sum ^= static_cast<std::uint8_t>(c);
    return sum;
}

std::optional<std::string> ParseCommandFrame(std::string_view frame) {
    if (frame.size() < 4 || frame.front() != '\t' || frame.back() != '\r')
        return std::nullopt;
    const std::string_view text = frame.substr(1, frame.size() - 4);
    if (text.find_first_of("\t\r") != std::string_view::npos)
        return std::nullopt;
    if (frame.substr(frame.size() - 3, 2) != HexDigits(XorOf(frame.substr(0, frame.size() - 3))))
        return std::nullopt;
    return std::string(text);
}

std::string BuildReplyFrame(std::string_view body) {
    std::string frame = "\n";
    frame += body;
    frame += HexDigits(XorOf(frame));
    frame += '\r';
    return frame;
}

} // namespace sim
