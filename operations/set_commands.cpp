// The set-command sequence every single-setting operation runs, and its five commands: reader ID, key count,
// line settings, output mode and keycode parity.

#include "operations.h"

#include "protocol/commands.h"

namespace operations {

using localisation::TextId;

namespace {

constexpr int SetAttempts = 2;

bool InRange(int index, int count) {
    return index >= 0 && index < count;
}

/// What one set operation says; the sequence is the same for all five.
struct SetCommand {
    localisation::Reason opening; ///< shown once the refusal check has passed
    TextId ok;
    TextId error;
    bool valid = true; ///< false: a list without a selection; nothing may be sent
};

/// Busy state, refusal, opening message, at most two attempts of "H00B" and the set command, the outcome.
/// `build` makes the set command from the attempt's answered "H00B".
template <class Build> Result RunSetCommand(const Context& c, const SetCommand& command, const Build& build) {
    Observer& observer = c.observer;
    readerlink::Link& link = c.link;
    Result result;
    result.port = c.reader.ComPortNo;
    result.line = c.reader.ComSettings;
    result.lineIndex = c.reader.BaudRateIndex;
    EnterBusy(observer);
    if (!c.reader.ReaderFound) {
        result.message = localisation::txScanFirst;
        FailureSignal(observer, result.message);
        return result;
    }
    observer.message(command.opening);

    bool success = false;
    // Nothing is ever sent from a list without a selection.
    if (command.valid && link.OpenComPort(c.reader.ComPortNo, c.reader.ComSettings)) {
        for (int attempt = 0; attempt < SetAttempts && !success && !link.portGone(); ++attempt) {
            CommandPause(link);
            const std::optional<readerlink::Reply> info = QueryInfo(link);
            if (!info)
                continue;
            result.info.serial = protocol::ReplyBytes(info->text, protocol::SerialField);
            result.info.id = protocol::ReplyBytes(info->text, protocol::IdField);
            CommandPause(link);
            success = link.SendCommand(build(info->text)).valid();
        }
        result.portGone = link.portGone();
        link.CloseComPort();
    } else if (command.valid) {
        result.openError = link.lastOpenError();
    }

    result.outcome = success ? Outcome::Done : Outcome::Failed;
    result.message = success ? command.ok : command.error;
    if (success)
        SuccessSignal(observer, result.message);
    else
        FailureSignal(observer, result.message);
    return result;
}

localisation::Reason Opening(TextId id, const std::string& value = {}) {
    return value.empty() ? localisation::Reason(id) : localisation::Reason::Joined({id, value}, " = ");
}

} // namespace

Result SetReaderId(const Context& c, const std::string& id) {
    const SetCommand command{Opening(localisation::txSetId, protocol::Latin1ToUtf8(id)), localisation::txSetIdOk,
                             localisation::txSetIdError};
    // The serial number comes from the presence query of the same attempt, not from pnSerial.
    return RunSetCommand(c, command, [&id](const std::string& info) {
        return protocol::SetIdCommand(protocol::ReplyBytes(info, protocol::SerialField), id);
    });
}

Result SetKeyCount(const Context& c, const std::string& keys) {
    const SetCommand command{Opening(localisation::txSetKey), localisation::txSetKeyOk, localisation::txSetKeyError};
    return RunSetCommand(c, command, [&keys](const std::string&) { return protocol::SetKeysCommand(keys); });
}

Result SetBaudRate(const Context& c, int index) {
    SetCommand command{Opening(localisation::txSetBaud), localisation::txSetBaudOk, localisation::txSetBaudError};
    command.valid = InRange(index, protocol::BaudRateCount);
    if (command.valid)
        command.opening = Opening(localisation::txSetBaud, protocol::BaudRateTable[index]);
    Result result = RunSetCommand(c, command, [index](const std::string&) { return protocol::SetLineCommand(index); });
    // The reader now listens at the new setting; the settings key keeps the scan's until a scan saves again.
    if (result.ok()) {
        c.reader.SelectLineSetting(index);
        result.line = c.reader.ComSettings;
        result.lineIndex = c.reader.BaudRateIndex;
    }
    return result;
}

Result SetMode(const Context& c, int mode, int wiegand, int rs485) {
    SetCommand command{Opening(localisation::txSetMode), localisation::txSetModeOk, localisation::txSetModeError};
    command.valid =
        InRange(mode, ModeItemCount) && InRange(wiegand, LengthItemCount) && InRange(rs485, LengthItemCount);
    if (command.valid)
        command.opening = Opening(localisation::txSetMode, mode == 0 ? WiegandItems[wiegand] : Rs485Items[rs485]);
    return RunSetCommand(c, command,
                         [=](const std::string&) { return protocol::SetModeCommand(mode, wiegand, rs485); });
}

Result SetParity(const Context& c, int parity) {
    SetCommand command{Opening(localisation::txSetParity), localisation::txSetParityOk, localisation::txSetParityError};
    command.valid = InRange(parity, ParityItemCount);
    return RunSetCommand(c, command, [parity](const std::string&) { return protocol::SetParityCommand(parity); });
}

} // namespace operations
