// The fields every operation reads, on whatever a complete frame can leave in ReplyText and RxBuffer: never
// outside the reply, and always what stands at those positions.

#include "fuzz_check.h"
#include "fuzz_line.h"
#include "link/link.h"
#include "operations/operations.h"
#include "platform/testing/virtual_system.h"
#include "protocol/commands.h"
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

void CheckField(const std::string& reply, int first, int last) {
    const std::string field = protocol::ReplyBytes(reply, first, last);
    FUZZ_CHECK(field.size() <= static_cast<std::size_t>(last - first + 1));
    if (!field.empty())
        FUZZ_CHECK(reply.compare(static_cast<std::size_t>(first - 1), field.size(), field) == 0);
    // Shown as one character per byte.
    FUZZ_CHECK(QString::fromUtf8(protocol::Latin1ToUtf8(field)).size() == static_cast<qsizetype>(field.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FramedBody reader;
    std::string body(reinterpret_cast<const char*>(data), size);
    // A body holds no CR: the first one ends the frame, and what follows never reaches the fields.
    body = body.substr(0, body.find('\r'));
    reader.frame = protocol::BuildReplyFrame(body);

    readerlink::LinkSetup setup(LineTo(reader));
    readerlink::Link link(setup);
    link.OpenComPort(1, "19200,e,8,1");
    const readerlink::Reply reply = link.SendCommand("H00F");
    link.CloseComPort();
    if (!reply)
        return 0; // over-long frames wrap and fail; their fields are never read

    // Scan: ID, serial, version, key count, parity, mode; card reading: card digits and keys.
    const std::string& text = reply.text;
    CheckField(text, 3, 4);
    CheckField(text, 6, 13);
    CheckField(text, 6, 7);
    CheckField(text, 8, 15);
    CheckField(text, 8, static_cast<int>(text.size()) - 3);
    for (int position : {6, 7, 8}) {
        const int digit = protocol::ReplyDigit(text, position, 3);
        FUZZ_CHECK(digit >= -1 && digit < 3);
    }
    for (const protocol::Field field : {protocol::IdField, protocol::ParityField, protocol::ModeField}) {
        // Digits only where the frame's body holds them all, as the reply text has them.
        if (protocol::ReplyDigits(reply.received, field)) {
            FUZZ_CHECK(field.last <= static_cast<int>(reply.received.size()) - 3);
            FUZZ_CHECK(field.last <= static_cast<int>(text.size()));
        }
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(reply.received.data());
    const std::optional<protocol::PolledEntry> entry =
        protocol::ReadPolledEntry(std::span(bytes, reply.received.size()), text);
    if (entry) {
        // What a script is given of a card never reaches into the checksum digits.
        FUZZ_CHECK(entry->digits.size() <= entry->characters.size());
        if (!entry->digits.empty()) // positions 8 on, up to the last before the checksum digits
            FUZZ_CHECK(7 + entry->digits.size() <= text.size() - 3);
        const QString shown = QString::fromStdString(operations::CardIdText(*entry));
        FUZZ_CHECK(reply.received.size() >= 10);
        if (bytes[6] != 'K') {
            // Ten decimal digits, never a sign: the number is unsigned.
            FUZZ_CHECK(shown.startsWith(QStringLiteral("Card ID : ")) && shown.size() >= 22);
            for (int i = 10; i < 20; ++i)
                FUZZ_CHECK(shown.at(i).isDigit());
            FUZZ_CHECK(shown.mid(20, 2) == QStringLiteral("  ") && shown.endsWith(QStringLiteral("(H)")));
        } else
            FUZZ_CHECK(shown.startsWith(QStringLiteral("KEY : ")));
    }
    return 0;
}
