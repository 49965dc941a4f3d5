#pragma once
// The reader operations behind the window's buttons, runnable without the window: the scan, the five set
// commands, the factory default and card reading. Each runs to its end on the caller's thread over the link it is
// given, reports every step to an Observer, and returns its Result; what the window holds (the lock box, panel
// captions, list selections) comes in as arguments. The link's message pump is served while replies are awaited
// and during the card-reading pacing.

#include "link/link.h"
#include "localisation/message_table.h"
#include "localisation/reason.h"
#include "operations/observer.h"
#include "operations/reader_state.h"
#include "operations/result.h"
#include "platform/settings_store.h"
#include "protocol/commands.h"

#include <cstdint>
#include <functional>
#include <string>

namespace operations {

/// The tone of the success and failure signals.
inline constexpr unsigned SuccessBeepHz = 1000;
inline constexpr unsigned FailureBeepHz = 300;
inline constexpr unsigned SignalBeepMs = 300;
/// The plain sleep before each command of the set operations and of the scan's information reading.
inline constexpr std::uint32_t CommandPauseMs = 100;

/// The items of cmbParity, cmbMode, cmbWiegand and cmbRS485, as the lists show them (the mode operation names
/// the selected length, readerctl prints them). The same in every language.
inline constexpr int ParityItemCount = 2;
inline constexpr int ModeItemCount = 2;
inline constexpr int LengthItemCount = 3;
inline constexpr const char* ParityItems[ParityItemCount] = {"No Parity 4 bits", "With Parity"};
inline constexpr const char* ModeItems[ModeItemCount] = {"Wiegand", "RS485"};
inline constexpr const char* WiegandItems[LengthItemCount] = {"Wiegand 26", "Wiegand 34", "Wiegand 42"};
inline constexpr const char* Rs485Items[LengthItemCount] = {"RS485 24", "RS485 32", "RS485 40"};

/// The list item a reply digit names ("Wiegand 34"), or the digit itself when it names none; UTF-8.
std::string ItemText(const std::string& digit, const char* const* items, int count);

/// What every operation works with: the link to the reader's port, what the program knows of the reader, and
/// whoever shows the steps.
struct Context {
    readerlink::Link& link;
    ReaderState& reader;
    Observer& observer;
};

// ---- conventions every operation shares ----

/// Busy state: hourglass, then input blocked.
void EnterBusy(Observer& observer);
/// Lamp yellow, message, 1000 Hz for 300 ms, input taken again, default cursor.
void SuccessSignal(Observer& observer, const localisation::Reason& message);
/// Lamp red, message, 300 Hz for 300 ms, input taken again, default cursor.
void FailureSignal(Observer& observer, const localisation::Reason& message);
/// The message an operation ended with, as it was shown: the row of `message` with the port where the message
/// names one.
localisation::Reason Message(localisation::TextId message, int portNo);
inline localisation::Reason Message(const Result& result) {
    return Message(result.message, result.port);
}
/// Message's words, in the current language.
inline std::string MessageText(localisation::TextId message, int portNo) {
    return localisation::Say(Message(message, portNo));
}
inline std::string MessageText(const Result& result) {
    return MessageText(result.message, result.port);
}
/// An answer to the presence query: framed, with the checksum right and exactly 16 bytes.
bool AnswersInfo(const readerlink::Reply& reply);
/// A reply to the query of `query` (Version, Keys, Parity or Mode): framed, with the checksum right, and carrying
/// that query's letter. A late reply to an earlier command, taken in this one's wait, is none.
bool Answers(const readerlink::Reply& reply, protocol::Command query);
/// One try of the presence query: the reply when it is an answer.
std::optional<readerlink::Reply> QueryInfo(readerlink::Link& link);
/// The plain sleep before a command, during which no messages are served.
void CommandPause(readerlink::Link& link);
/// Sleeps `ms`, serving the link's messages every 10 ms, and ends early when `interrupted` says so.
void PumpedPause(readerlink::Link& link, std::uint32_t ms, const std::function<bool()>& interrupted);

/// A pause between two looks for a reader, and between two polls of a reader waited for to leave: short enough
/// to feel immediate, long enough to leave the line quiet.
inline constexpr std::uint32_t RepeatPollMs = 500;
/// A reader counts as gone after this many unanswered polls in a row.
inline constexpr int GoneAfterPolls = 2;

/// Polls the reader with serial `serial` at COM`portNo` and `line` with the presence query until it leaves:
/// GoneAfterPolls polls unanswered in a row, or another reader answering in its place (plugged in within a
/// poll: it is the next one). False when `interrupted` ended the wait first.
bool WaitUntilGone(readerlink::Link& link, int portNo, const std::string& line, const std::string& serial,
                   const std::function<bool()>& interrupted);

// ---- the scan ----

struct ScanOptions {
    /// chkLock: each port is tried at BaudRateIndex only; false, at all twelve line settings in turn.
    bool locked = true;
    /// Above 0: no search; this port alone at ComSettings, with the remembered port's three tries.
    int onlyPort = 0;
    /// After the remembered port, every port at once instead of one after another: each steps through its line
    /// settings, one try at each, then a second time; the first reader found wins and the other ports' tries
    /// are dropped. A port that did not open, or went away, is looked at again within a try's time.
    bool allPortsAtOnce = false;
    /// With allPortsAtOnce: the line setting each port tries first, the others following in the window's order;
    /// -1: BaudRateIndex.
    int firstLine = -1;
    /// With allPortsAtOnce: round after round until a reader answers or the scan is interrupted, as a wait for a
    /// reader does.
    bool untilFound = false;
    /// The ports the search tries: COM1 to COM16 unless narrowed.
    int firstPort = 1;
    int lastPort = 16;
    /// Asked before every command: true ends the scan there, as if nothing more answered (a console's Ctrl-C).
    std::function<bool()> interrupted;
};
/// The remembered port (ComPortNo at ComSettings) first, then COM1 to COM16; the reader's information read
/// at the end. Saves where the search found the reader. Done when the information is complete.
Result Scan(const Context& c, platform::SettingsStore& store, const ScanOptions& options);

// ---- the set operations ----
// Busy state, refusal, opening message, at most two attempts of "H00B" and the set command, the outcome.

/// `id` is pnID's caption (8-bit characters), sent as it stands after the serial number.
Result SetReaderId(const Context& c, const std::string& id);
/// `keys` is pnKey's caption, sent as it stands.
Result SetKeyCount(const Context& c, const std::string& keys);
/// `index` is cmbBaudRate's; on success BaudRateIndex and ComSettings follow it (nothing is saved).
Result SetBaudRate(const Context& c, int index);
/// The indexes of cmbMode, cmbWiegand and cmbRS485.
Result SetMode(const Context& c, int mode, int wiegand, int rs485);
/// The index of cmbParity.
Result SetParity(const Context& c, int parity);

/// The defaults into the lists and scroll bars, then the whole default set per attempt. `paritySupported`:
/// btnParity is enabled, so "H00M0" is sent too. On success the line setting follows to the default.
Result FactoryDefault(const Context& c, bool paritySupported);

// ---- card reading ----

/// Starts card reading and polls until it is stopped (CardReadActive cleared, by a second call from the message
/// pump or by the caller's pump itself) or a poll fails. Called while it runs, it only asks the loop to end.
Result ReadCards(const Context& c);
/// What pnCardID shows for an entry: "KEY : " and the keys, or txCardId with the number in ten decimal digits
/// and the digits as received.
std::string CardIdText(const protocol::PolledEntry& entry);

} // namespace operations
