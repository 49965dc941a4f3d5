#include "reader_model.h"

#include "protocol/commands.h"
#include "protocol/protocol.h"
#include "reader_line.h"

#include <algorithm>
#include <cctype>

namespace sim {

using protocol::Command;

namespace {

bool AllDigits(const std::string& text, std::size_t length) {
    return text.size() == length && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int LineCode(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c == 'A' || c == 'B')
        return c - 'A' + 10;
    return -1;
}

std::string Fitted(std::string text, std::size_t length) {
    text.resize(length, ' ');
    return text;
}

constexpr std::size_t MaxHostFrame = 300; // TAB, 255 characters, checksum, CR, with room to spare

} // namespace

void ReaderModel::presentCard(const std::string& hexDigits) {
    presented_.push_back({false, hexDigits});
}

void ReaderModel::presentKeys(const std::string& keys) {
    presented_.push_back({true, keys});
}

platform::LineSettings ReaderModel::line() const {
    platform::LineSettings settings{0, 'n', 8, 1}; // an index out of range listens to nothing
    ReaderLine(state.lineIndex, settings);
    return settings;
}

std::string ReaderModel::body(Command command, const std::string& payload) const {
    return protocol::ReplyBody(Fitted(state.id, protocol::IdField.length()), command, payload);
}

std::string ReaderModel::frame(std::string text) const {
    if (text.size() < faults.replyBodyLength)
        text.append(faults.replyBodyLength - text.size(), '0');
    // Position p of the reply is body index p - 2.
    if (faults.zeroBytePosition >= 2 && static_cast<std::size_t>(faults.zeroBytePosition - 2) < text.size())
        text[static_cast<std::size_t>(faults.zeroBytePosition - 2)] = '\0';
    std::string reply = "\n" + text;
    const std::array<char, 2> hex =
        protocol::ByteToHex(static_cast<std::uint8_t>(protocol::XorChecksum(reply) ^ (faults.badChecksum ? 1 : 0)));
    std::string digits(hex.begin(), hex.end());
    if (faults.lowerCaseChecksum)
        for (char& c : digits)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    reply += digits;
    reply += '\r';
    // What a line says while it turns around; an LF would start a reply of its own.
    static constexpr char Burst[] = {'\x00', '\xFF', '\r', '\x80', 'U', '\t', '\xF8', '\x7F'};
    std::string noise = faults.noiseBeforeLf ? "\xFF" : "";
    for (std::size_t i = 0; i < faults.noiseBytes; ++i)
        noise += Burst[i % sizeof Burst];
    return noise + reply;
}

std::string ReaderModel::answerPoll() {
    if (faults.stopAfterPolls >= 0 && polls_ >= faults.stopAfterPolls) {
        stopped_ = true;
        return {};
    }
    ++polls_;
    if (!presented_.empty()) {
        const Presented next = presented_.front();
        presented_.pop_front();
        return frame(body(Command::Poll, protocol::PollPayload(next.keypad, next.text)));
    }
    if (!heldCard_.empty())
        return frame(body(Command::Poll, protocol::PollPayload(false, heldCard_)));
    return frame(body(Command::Poll, ""));
}

std::string ReaderModel::answer(const std::string& command) {
    if (faults.silent || stopped_ || command.size() < 4 || command[0] != 'H')
        return {};
    // Every command the tool sends carries "00"; a reader answers that and its own ID.
    const std::string address = command.substr(1, 2);
    if (address != "00" && address != state.id)
        return {};
    const char letter = command[3];
    const std::string args = command.substr(protocol::Query(Command::Info).size());
    if (auto muted = faults.muted.find(letter); muted != faults.muted.end() && muted->second != 0) {
        if (muted->second > 0)
            --muted->second;
        return {};
    }

    const std::size_t serialLength = protocol::SerialField.length();
    if (!args.empty() && faults.ignoredSets.find(letter) != std::string::npos) {
        // Answered as if taken, then forgotten.
        const State kept = state;
        const int pendingLine = pendingLine_;
        faults.ignoredSets.erase(faults.ignoredSets.find(letter), 1);
        std::string reply = answer(command);
        faults.ignoredSets += letter;
        state = kept;
        pendingLine_ = pendingLine;
        return reply;
    }
    switch (static_cast<Command>(letter)) {
    case Command::Info: {
        if (!args.empty())
            return {};
        std::string text = body(Command::Info, Fitted(state.serial, serialLength));
        if (faults.infoReplyLength < 16 && !text.empty())
            text.resize(text.size() -
                        std::min<std::size_t>(text.size(), static_cast<std::size_t>(16 - faults.infoReplyLength)));
        else if (faults.infoReplyLength > protocol::InfoReplyLength)
            text.append(static_cast<std::size_t>(faults.infoReplyLength - protocol::InfoReplyLength), '0');
        return frame(text);
    }
    case Command::Version:
        return args.empty() ? frame(body(Command::Version, Fitted(state.version, protocol::VersionField.length())))
                            : std::string();
    case Command::Keys:
        if (AllDigits(args, protocol::KeyCountField.length()))
            state.keyCount = args;
        else if (!args.empty())
            return {};
        return frame(body(Command::Keys, state.keyCount));
    case Command::Parity:
        if (!state.paritySupported)
            return {};
        if (AllDigits(args, protocol::ParityField.length()))
            state.parity = args;
        else if (!args.empty())
            return {};
        return frame(body(Command::Parity, state.parity));
    case Command::Mode:
        if (AllDigits(args, protocol::ModeField.length()))
            state.mode = args;
        else if (!args.empty())
            return {};
        return frame(body(Command::Mode, state.mode));
    case Command::Id: {
        // The serial number guards against renumbering the wrong reader on a shared line.
        const std::size_t idLength = protocol::IdField.length();
        if (args.size() != serialLength + idLength ||
            args.compare(0, serialLength, Fitted(state.serial, serialLength)) != 0 ||
            !AllDigits(args.substr(serialLength), idLength))
            return {};
        state.id = args.substr(serialLength);
        return frame(body(Command::Id, Fitted(state.serial, serialLength)));
    }
    case Command::Line:
        if (args.size() != 1 || LineCode(args[0]) < 0)
            return {};
        pendingLine_ = LineCode(args[0]);
        pendingLineAtUs_ = 0;
        return frame(body(Command::Line, args));
    case Command::Poll:
        return args.empty() ? answerPoll() : std::string();
    }
    return {};
}

void ReaderModel::note(std::uint64_t atUs, char direction, const std::string& text) const {
    if (trace)
        trace(atUs, direction, text);
}

void ReaderModel::applyDueLineChange(std::uint64_t nowUs) {
    if (pendingLine_ < 0 || nowUs < pendingLineAtUs_)
        return;
    state.lineIndex = pendingLine_;
    pendingLine_ = -1;
    note(nowUs, '!', std::string("now listening at ") + protocol::BaudRateTable[state.lineIndex]);
}

void ReaderModel::hostWrote(const std::uint8_t* data, std::size_t count, const platform::LineSettings& host,
                            std::uint64_t nowUs, platform::ReplySink& reply) {
    applyDueLineChange(nowUs);
    if (faults.echo && count > 0) {
        // Each byte comes back once it has crossed the wire, behind those still crossing.
        const std::uint32_t echoUs = faults.pacing ? CharacterTimeUs(host) : 0;
        const std::uint64_t firstAtUs = std::max(nowUs, hostWireFreeUs_) + echoUs;
        reply.send(data, count, firstAtUs, echoUs);
        hostWireFreeUs_ = firstAtUs + (count - 1) * echoUs;
    }
    const platform::LineSettings mine = line();
    if (!(host == mine)) {
        // At another baud rate or parity the bytes are garbage to the reader's UART.
        if (std::find(data, data + count, std::uint8_t{'\r'}) != data + count)
            note(nowUs, '!', "frame ignored: host speaks another line setting than the reader's");
        rx_.clear();
        return;
    }
    const std::uint32_t charUs = CharacterTimeUs(mine);
    for (std::size_t i = 0; i < count; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\t')
            rx_.assign(1, c);
        else if (!rx_.empty())
            rx_ += c;
        if (rx_.size() > MaxHostFrame)
            rx_.clear();
        if (c != '\r' || rx_.empty())
            continue;

        note(nowUs, '>', rx_);
        const std::optional<std::string> command = protocol::ParseCommandFrame(rx_);
        rx_.clear();
        if (!command) {
            note(nowUs, '!', "bad frame or checksum, ignored");
            continue;
        }
        heard_.push_back(*command);
        const std::string out = answer(*command);
        if (out.empty()) {
            note(nowUs, '!', "no answer");
            continue;
        }
        // The CR still has to cross the line; a reply still going out is finished first. Where the host hears
        // its echo, the reader hears the CR no sooner than the host does.
        const std::uint64_t crossedUs = faults.echo ? std::max(nowUs + charUs, hostWireFreeUs_) : nowUs + charUs;
        const std::uint64_t start = std::max(crossedUs, busyUntilUs_) + faults.answerDelayUs;
        const std::uint64_t firstAtUs = start + charUs;
        const std::uint32_t spacingUs = faults.pacing ? charUs : 0;
        if (faults.repliesOutliveClose)
            due_.push_back({out, firstAtUs, spacingUs});
        else
            reply.send(reinterpret_cast<const std::uint8_t*>(out.data()), out.size(), firstAtUs, spacingUs);
        busyUntilUs_ = firstAtUs + (out.size() - 1) * spacingUs;
        if (pendingLine_ >= 0)
            pendingLineAtUs_ = busyUntilUs_ + 1; // the reply goes out at the old setting
        note(firstAtUs, '<', out);
    }
}

void ReaderModel::poll(std::uint64_t nowUs, platform::ReplySink& reply) {
    applyDueLineChange(nowUs);
    // A little ahead of time, as a host read may take a byte due within its 1 ms.
    while (!due_.empty() && due_.front().firstAtUs <= nowUs + 2000) {
        const Due& next = due_.front();
        reply.send(reinterpret_cast<const std::uint8_t*>(next.bytes.data()), next.bytes.size(), next.firstAtUs,
                   next.spacingUs);
        due_.pop_front();
    }
    if (!faults.babble || faults.silent)
        return;
    const std::uint32_t charUs = std::max<std::uint32_t>(1, CharacterTimeUs(line()));
    babbleAtUs_ = std::max(babbleAtUs_, nowUs);
    static const std::uint8_t noise = 'U';
    while (babbleAtUs_ <= nowUs + 2000) {
        reply.send(&noise, 1, babbleAtUs_, 0);
        babbleAtUs_ += charUs;
    }
}

} // namespace sim
