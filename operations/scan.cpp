// The reader scan: the remembered port first, then COM1 to COM16 at one or all twelve line settings, then the
// reader's information.

#include "operations.h"

#include "link/link.h"

#include <algorithm>

namespace operations {

namespace {

constexpr int RememberedPortTries = 3;
constexpr int SearchTries = 2;
constexpr int InfoPasses = 2;
constexpr int LastPort = 16;

std::string ScanComMessage(int portNo) {
    return std::string(Text(txScanCom)) + " : #" + std::to_string(portNo);
}

std::string InfoMessage(TextId id) {
    return std::string(Text(id)) + " : #" + std::to_string(ComPortNo) + ")";
}

/// True when the last reply's body holds positions `first` to `last`, all of them decimal digits. A field that
/// reaches into the checksum digits and the CR is not in the body; a zero byte inside it leaves ReplyText short.
bool FieldIsDigits(int first, int last) {
    const std::string field = ReplyBytes(ReplyText, first, last);
    return last <= RxCount - 3 && field.size() == static_cast<std::size_t>(last - first) + 1 &&
           std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool Interrupted(const ScanOptions& options) {
    return options.interrupted && options.interrupted();
}

/// Once the scan found the reader: its information, and the scan's outcome.
void ReadReaderInfo(Observer& observer, const ScanOptions& options) {
    observer.select(List::BaudRate, BaudRateIndex);
    ReaderInfo info;
    info.serial = ReplyBytes(ReplyText, 6, 13);
    info.id = ReplyBytes(ReplyText, 3, 4);
    observer.panel(Panel::Serial, std::string(Text(txSerialNo)) + " : " + Latin1ToUtf8(info.serial));
    // An ID that is not two decimal digits makes the information incomplete. "00" lies below sbID's range: sbID
    // stands at 1 and pnID, written after it, keeps "00" until sbID is moved.
    const bool idValid = FieldIsDigits(3, 4);
    if (idValid)
        observer.scrollTo(Bar::Id, std::max(1, std::stoi(info.id)));
    observer.panel(Panel::Id, Latin1ToUtf8(info.id));

    bool complete = false;
    if (idValid && OpenComPort(ComPortNo, ComSettings)) {
        for (int pass = 0; pass < InfoPasses && !Interrupted(options); ++pass) {
            CommandPause();
            if (!SendCommand("H00V"))
                continue;
            info.version = ReplyBytes(ReplyText, 6, 13);
            observer.panel(Panel::Version, std::string(Text(txVersion)) + " : " + Latin1ToUtf8(*info.version));

            CommandPause();
            if (Interrupted(options))
                break;
            if (SendCommand("H00L")) {
                info.keys = ReplyBytes(ReplyText, 6, 7);
                observer.panel(Panel::Key, Latin1ToUtf8(*info.keys));
            }

            CommandPause();
            if (Interrupted(options))
                break;
            // A parity or mode field that is not decimal digits makes the information incomplete; the fields that
            // were good stay shown.
            bool wellFormed = true;
            if (SendCommand("H00M")) {
                wellFormed = FieldIsDigits(6, 6);
                info.parity = ReplyBytes(ReplyText, 6, 6);
                observer.select(List::Parity, ReplyDigit(ReplyText, 6, ParityItemCount));
                observer.parityEnabled(true);
            } else {
                observer.select(List::Parity, 1);
                observer.parityEnabled(false);
            }

            CommandPause();
            if (Interrupted(options))
                break;
            if (SendCommand("H00A")) {
                info.mode = ReplyBytes(ReplyText, 6, 8);
                observer.select(List::Mode, ReplyDigit(ReplyText, 6, ModeItemCount));
                observer.select(List::Wiegand, ReplyDigit(ReplyText, 7, LengthItemCount));
                observer.select(List::Rs485, ReplyDigit(ReplyText, 8, LengthItemCount));
                if (wellFormed && FieldIsDigits(6, 8)) {
                    observer.message(InfoMessage(txInfoOk));
                    ReaderFound = true;
                    observer.busy(Busy::Off);
                    observer.commLamp(Lamp::Yellow);
                    complete = true;
                }
            }
            break;
        }
        CloseComPort();
    }

    observer.readerInfo(info);
    if (complete) {
        observer.beep(SuccessBeepHz, SignalBeepMs);
    } else {
        observer.message(InfoMessage(txInfoError));
        observer.busy(Busy::Off);
        observer.commLamp(Lamp::Red);
        observer.beep(FailureBeepHz, SignalBeepMs);
    }
}

/// The remembered port's tries (or those of the one port asked for).
bool TryRemembered(Observer& observer, int portNo, const ScanOptions& options) {
    bool found = false;
    observer.select(List::BaudRate, BaudRateIndex);
    if (OpenComPort(portNo, ComSettings)) {
        observer.message(ScanComMessage(portNo));
        for (int attempt = 0; attempt < RememberedPortTries && !found && !Interrupted(options); ++attempt)
            found = QueryInfo();
        CloseComPort();
    }
    return found;
}

bool Search(Observer& observer, platform::SettingsStore& store, const ScanOptions& options) {
    const bool locked = options.locked;
    // BaudRateIndex is 0..11 from load on, but a locked scan must never index outside the table.
    const int lockedIndex = BaudRateIndex >= 0 && BaudRateIndex < BaudRateCount ? BaudRateIndex : DefaultBaudRateIndex;
    for (int portNo = 1; portNo <= LastPort && !Interrupted(options); ++portNo) {
        for (int tableIndex = 0; tableIndex < BaudRateCount; ++tableIndex) {
            const int index = locked ? lockedIndex : tableIndex;
            observer.select(List::BaudRate, index);
            if (!OpenComPort(portNo, BaudRateTable[index]))
                break; // a port that does not open is tried once
            observer.message(ScanComMessage(portNo));
            bool found = false;
            for (int attempt = 0; attempt < SearchTries && !found && !Interrupted(options); ++attempt)
                found = QueryInfo();
            if (found) {
                ComPortNo = portNo;
                SelectLineSetting(index);
                SaveScanSettings(store, ComPortNo, BaudRateIndex, ComSettings);
            }
            CloseComPort();
            if (found)
                return true;
            if (locked || Interrupted(options))
                break;
        }
    }
    return false;
}

} // namespace

void Scan(Observer& observer, platform::SettingsStore& store, const ScanOptions& options) {
    observer.waitCursor(true);
    observer.busy(Busy::Blinking);
    observer.message(std::string(Text(txScanReader)) + " ....");
    observer.panel(Panel::Serial, std::string(Text(txSerialNo)) + " : ________");
    observer.panel(Panel::Version, std::string(Text(txVersion)) + " : __.__-__");
    observer.panel(Panel::Id, "__");
    observer.panel(Panel::Key, "__");
    ProcessMessages(); // the new captions are painted before the first port is tried
    ReaderFound = false;

    bool found = false;
    if (options.onlyPort > 0) {
        found = TryRemembered(observer, options.onlyPort, options);
        if (found)
            ComPortNo = options.onlyPort;
    } else {
        found = ComPortNo > 0 && TryRemembered(observer, ComPortNo, options);
        if (!found)
            found = Search(observer, store, options);
    }

    if (found) {
        ReadReaderInfo(observer, options);
    } else {
        observer.select(List::BaudRate, DefaultBaudRateIndex);
        observer.message(Text(txReaderNotFound));
        observer.busy(Busy::Off);
        observer.commLamp(Lamp::Red);
        observer.beep(FailureBeepHz, SignalBeepMs);
    }
    observer.waitCursor(false);
}

} // namespace operations
