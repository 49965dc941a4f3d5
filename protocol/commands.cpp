#include "commands.h"

#include "protocol/protocol.h"

namespace protocol {

namespace {
char Digit(int value) {
    return static_cast<char>('0' + value);
}
} // namespace

std::string Query(Command command) {
    return std::string("H00") + static_cast<char>(command);
}

std::string SetIdCommand(std::string_view serial, std::string_view id) {
    std::string text = Query(Command::Id);
    text += serial;
    text += id;
    return text;
}

std::string SetKeysCommand(std::string_view keys) {
    std::string text = Query(Command::Keys);
    text += keys;
    return text;
}

std::string SetLineCommand(int index) {
    return Query(Command::Line) + ByteToHex(static_cast<std::uint8_t>(index))[1];
}

std::string SetModeCommand(int mode, int wiegand, int rs485) {
    return Query(Command::Mode) + Digit(mode) + Digit(wiegand) + Digit(rs485);
}

std::string SetParityCommand(int parity) {
    return Query(Command::Parity) + Digit(parity);
}

bool RepliesTo(Command command, std::string_view frame) {
    switch (command) {
    case Command::Version:
    case Command::Keys:
    case Command::Parity:
    case Command::Mode:
        break;
    default:
        return false;
    }
    // The letter's place is the reader's to fill as it likes: only a reply that names another command is refused.
    // A reply too short to hold it names none; its field says whether it is whole.
    if (static_cast<int>(frame.size()) < LetterPosition + 3)
        return true;
    const char letter = frame[LetterPosition - 1];
    for (const Command other : {Command::Info, Command::Version, Command::Keys, Command::Parity, Command::Mode,
                                Command::Id, Command::Line, Command::Poll}) {
        if (other != command && letter == static_cast<char>(other))
            return false;
    }
    return true;
}

std::string ReplyBody(std::string_view id, Command command, std::string_view payload) {
    std::string body = "H";
    body += id;
    body += static_cast<char>(command);
    body += payload;
    return body;
}

std::string PollPayload(bool keypad, std::string_view text) {
    std::string payload = "1";
    payload += keypad ? PollKeypad : PollCard;
    payload += text;
    return payload;
}

} // namespace protocol
