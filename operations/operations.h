#pragma once
// The reader operations behind the window's buttons, runnable without the window: the scan, the set-command
// sequence and its five commands, the factory default and card reading. Each runs to its end on the caller's
// thread and reports every step to an Observer; what the window holds (the lock box, panel captions, list
// selections) comes in as arguments. The link's message pump is served while replies are awaited and during
// the card-reading pacing.

#include "localisation/message_table.h"
#include "operations/observer.h"
#include "platform/settings_store.h"
#include "settings/settings.h"

#include <cstdint>
#include <functional>
#include <string>

/// Set by a scan that completed; every other reader operation refuses to run without it.
extern bool ReaderFound;
/// True while card reading polls; cleared, it ends the loop at the top of the next cycle.
extern bool CardReadActive;

/// The tone of the success and failure signals.
inline constexpr unsigned SuccessBeepHz = 1000;
inline constexpr unsigned FailureBeepHz = 300;
inline constexpr unsigned SignalBeepMs = 300;
/// The plain sleep before each command of the set operations and of the scan's information reading.
inline constexpr std::uint32_t CommandPauseMs = 100;

namespace operations {

/// The items of cmbParity, cmbMode, cmbWiegand and cmbRS485, as the lists show them (the mode operation names
/// the selected length, readerctl prints them). The same in every language.
inline constexpr int ParityItemCount = 2;
inline constexpr int ModeItemCount = 2;
inline constexpr int LengthItemCount = 3;
extern const char* const ParityItems[ParityItemCount];
extern const char* const ModeItems[ModeItemCount];
extern const char* const WiegandItems[LengthItemCount];
extern const char* const Rs485Items[LengthItemCount];

// ---- conventions every operation shares ----

/// Busy state: hourglass, then input blocked.
void EnterBusy(Observer& observer);
/// Lamp yellow, message, 1000 Hz for 300 ms, input taken again, default cursor.
void SuccessSignal(Observer& observer, const std::string& message);
/// Lamp red, message, 300 Hz for 300 ms, input taken again, default cursor.
void FailureSignal(Observer& observer, const std::string& message);
/// Failure signal with txScanFirst.
void ScanFirstRefusal(Observer& observer);
/// One try of the presence query: sent, framed, checksum right and exactly 16 bytes.
bool QueryInfo();
/// The plain sleep before a command, during which no messages are served.
void CommandPause();

// ---- the scan ----

struct ScanOptions {
    /// chkLock: each port is tried at BaudRateIndex only; false, at all twelve line settings in turn.
    bool locked = true;
    /// Above 0: no search; this port alone at ComSettings, with the remembered port's three tries.
    int onlyPort = 0;
    /// Asked before every command: true ends the scan there, as if nothing more answered (a console's Ctrl-C).
    std::function<bool()> interrupted;
};
/// The remembered port (ComPortNo at ComSettings) first, then COM1 to COM16; the reader's information read
/// at the end. Saves where the search found the reader.
void Scan(Observer& observer, platform::SettingsStore& store, const ScanOptions& options);

// ---- the set operations ----

/// What one set operation sends and says; the sequence is the same for all five.
struct SetCommand {
    std::string opening; ///< shown once the refusal check has passed
    TextId ok = txSetIdOk;
    TextId error = txSetIdError;
    bool valid = true; ///< false: a list without a selection; nothing may be sent
    /// Called right after the attempt's "H00B" was answered, so ReplyText still holds that reply.
    std::function<std::string()> build;
    std::function<void()> onSuccess;
};
/// Busy state, refusal, opening message, at most two attempts of "H00B" and the set command, the outcome.
void RunSetCommand(Observer& observer, const SetCommand& command);

/// `id` is pnID's caption (8-bit characters), sent as it stands after the serial number.
void SetReaderId(Observer& observer, const std::string& id);
/// `keys` is pnKey's caption, sent as it stands.
void SetKeyCount(Observer& observer, const std::string& keys);
/// `index` is cmbBaudRate's; on success BaudRateIndex and ComSettings follow it (nothing is saved).
void SetBaudRate(Observer& observer, int index);
/// The indexes of cmbMode, cmbWiegand and cmbRS485.
void SetMode(Observer& observer, int mode, int wiegand, int rs485);
/// The index of cmbParity.
void SetParity(Observer& observer, int parity);

/// The defaults into the lists and scroll bars, then the whole default set per attempt. `paritySupported`:
/// btnParity is enabled, so "H00M0" is sent too.
void FactoryDefault(Observer& observer, bool paritySupported);

// ---- card reading ----

/// Starts card reading and polls until it is stopped or a poll fails. Called while it runs (the stop click
/// served from the message pump), it only asks the loop to end.
void ReadCards(Observer& observer);
/// Asks running card reading to end after its current cycle (for a caller without a stop button).
void StopCardReading();
/// What pnCardID shows for an entry: "KEY : " and the keys, or txCardId with the number in ten decimal digits
/// and the digits as received.
std::string CardIdText(const PolledEntry& entry);

} // namespace operations
