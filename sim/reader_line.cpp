#include "reader_line.h"

#include "protocol/protocol.h"

namespace sim {

bool ReaderLine(int index, platform::LineSettings& out) {
    return index >= 0 && index < protocol::BaudRateCount &&
           platform::ParseLineSettings(protocol::BaudRateTable[index], out);
}

std::uint32_t CharacterTimeUs(const platform::LineSettings& line) {
    if (line.baud == 0)
        return 0;
    const std::uint64_t bits = 1u + static_cast<unsigned>(line.dataBits) + (line.parity == 'n' ? 0u : 1u) +
                               static_cast<unsigned>(line.stopBits);
    return static_cast<std::uint32_t>((bits * 1000000u + line.baud - 1) / line.baud);
}

} // namespace sim
