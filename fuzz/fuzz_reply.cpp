// Whatever a reader could send after a command, however it is fragmented: SendCommand must stay inside
// RxBuffer, end within its time-out, report true only for a frame whose checksum checks, and set aside exactly
// what came before the reply's LF.
//
// Input: byte 0 chooses the spacing of the bytes (0: all at once), byte 1 the delay before the first in
// milliseconds, the rest is what the line carries.

#include "fuzz_check.h"
#include "fuzz_line.h"
#include "link/link.h"
#include "platform/testing/virtual_system.h"
#include "protocol/protocol.h"

#include <cstring>

namespace {

class Replayer : public platform::VirtualPeer {
public:
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::uint32_t spacingUs = 0;
    std::uint64_t delayUs = 0;

    void hostWrote(const std::uint8_t* bytes, std::size_t count, const platform::LineSettings&, std::uint64_t nowUs,
                   platform::ReplySink& reply) override {
        if (count == 1 && bytes[0] == '\r' && size > 0)
            reply.send(data, size, nowUs + delayUs, spacingUs);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    Replayer reader;
    reader.spacingUs = data[0] * 20u;
    reader.delayUs = data[1] * 1000u;
    reader.data = data + 2;
    reader.size = size - 2;

    platform::VirtualSystem& system = LineTo(reader);
    readerlink::LinkSetup setup(system);
    readerlink::Link link(setup);
    FUZZ_CHECK(link.OpenComPort(1, "19200,e,8,1"));
    const std::uint64_t start = system.nowMs();
    const readerlink::Reply reply = link.SendCommand("H00B");
    const std::uint64_t took = system.nowMs() - start;
    link.CloseComPort();

    const std::span<const std::uint8_t> received = link.received();
    FUZZ_CHECK(link.rxCount() >= 0 && link.rxCount() < readerlink::RxBufferSize);
    FUZZ_CHECK(reply.received.size() == received.size());
    // Nothing waited before the command, and the reply began at its LF: the line's bytes are what was set
    // aside, then the LF that began what was received (whose storage wraps over it in an over-long reply).
    FUZZ_CHECK(reply.discarded.empty());
    FUZZ_CHECK(reply.setAside.find('\n') == std::string::npos);
    const std::string line(reinterpret_cast<const char*>(data + 2), size - 2);
    FUZZ_CHECK(line.compare(0, reply.setAside.size(), reply.setAside) == 0);
    if (!received.empty())
        FUZZ_CHECK(line.size() > reply.setAside.size() && line[reply.setAside.size()] == '\n');
    FUZZ_CHECK(took <= 9 + readerlink::ReplyTimeoutMs + 2); // the time-out holds even for a line that never pauses
    if (reply.valid()) {
        FUZZ_CHECK(received.front() == '\n' && received.back() == '\r');
        FUZZ_CHECK(protocol::ReplyChecksumRight(received));
        FUZZ_CHECK(reply.text.size() <= received.size());
        FUZZ_CHECK(std::memcmp(reply.text.data(), received.data(), reply.text.size()) == 0);
    }
    FUZZ_CHECK(system.openCount() == 0);
    return 0;
}
