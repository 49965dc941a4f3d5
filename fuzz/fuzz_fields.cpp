// The fields every operation reads, on whatever a complete frame can leave in ReplyText and RxBuffer: never
// outside the reply, and always what stands at those positions.

#include "fuzz_check.h"
#include "fuzz_line.h"
#include "link/link.h"
#include "operations/operations.h"
#include "platform/testing/virtual_system.h"
#include "protocol/protocol.h"

#include <QString>

#include <string>

namespace {

class FramedBody : public platform::VirtualPeer {
public:
    std::string frame;
    void hostWrote(const std::uint8_t* bytes, std::size_t count, const platform::LineSettings&, std::uint64_t nowUs,
                   platform::ReplySink& reply) override {
        if (count == 1 && bytes[0] == '\r')
            reply.send(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size(), nowUs + 1000, 0);
    }
};

void CheckField(int first, int last) {
    const std::string field = ReplyBytes(ReplyText, first, last);
    FUZZ_CHECK(field.size() <= static_cast<std::size_t>(last - first + 1));
    if (!field.empty())
        FUZZ_CHECK(ReplyText.compare(static_cast<std::size_t>(first - 1), field.size(), field) == 0);
    // Shown as one character per byte.
    FUZZ_CHECK(QString::fromUtf8(Latin1ToUtf8(field)).size() == static_cast<qsizetype>(field.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FramedBody reader;
    std::string body(reinterpret_cast<const char*>(data), size);
    // A body holds no CR: the first one ends the frame, and what follows never reaches the fields.
    body = body.substr(0, body.find('\r'));
    reader.frame = BuildReplyFrame(body);

    LineTo(reader);
    OpenComPort(1, "19200,e,8,1");
    const bool ok = SendCommand("H00F");
    CloseComPort();
    if (!ok)
        return 0; // over-long frames wrap and fail; their fields are never read

    // Scan: ID, serial, version, key count, parity, mode; card reading: card digits and keys.
    CheckField(3, 4);
    CheckField(6, 13);
    CheckField(6, 7);
    CheckField(8, 15);
    CheckField(8, static_cast<int>(ReplyText.size()) - 3);
    for (int position : {6, 7, 8}) {
        const int digit = ReplyDigit(ReplyText, position, 3);
        FUZZ_CHECK(digit >= -1 && digit < 3);
    }
    const std::optional<PolledEntry> entry =
        ReadPolledEntry(std::span(RxBuffer, static_cast<std::size_t>(RxCount)), ReplyText);
    if (entry) {
        const QString text = QString::fromStdString(operations::CardIdText(*entry));
        FUZZ_CHECK(RxCount >= 10);
        if (RxBuffer[6] != 'K') {
            // Ten decimal digits, never a sign: the number is unsigned.
            FUZZ_CHECK(text.startsWith(QStringLiteral("Card ID : ")) && text.size() >= 22);
            for (int i = 10; i < 20; ++i)
                FUZZ_CHECK(text.at(i).isDigit());
            FUZZ_CHECK(text.mid(20, 2) == QStringLiteral("  ") && text.endsWith(QStringLiteral("(H)")));
        } else
            FUZZ_CHECK(text.startsWith(QStringLiteral("KEY : ")));
    }
    return 0;
}
