// Factory default: the defaults shown first, then one presence query and the whole default set per attempt.

#include "operations.h"

#include "link/link.h"

namespace operations {

namespace {
constexpr int DefaultAttempts = 2;
constexpr int DefaultId = 1;
constexpr int DefaultKeys = 4;
} // namespace

void FactoryDefault(Observer& observer, bool paritySupported) {
    EnterBusy(observer);
    if (!ReaderFound) {
        ScanFirstRefusal(observer);
        return;
    }

    observer.scrollTo(Bar::Id, DefaultId);
    observer.panel(Panel::Id, "01"); // sbID may stand at 1 already, under a reader's "00"
    observer.select(List::BaudRate, DefaultBaudRateIndex);
    observer.select(List::Mode, 0);
    if (paritySupported)
        observer.select(List::Parity, 0);
    observer.select(List::Wiegand, 0);
    observer.select(List::Rs485, 1);
    observer.scrollTo(Bar::Key, DefaultKeys);
    observer.panel(Panel::Key, "04"); // it may still show the scan's count, which Key Num would send
    observer.message(std::string(Text(txSetDefaultWiegand)) + " 26");

    bool success = false;
    if (OpenComPort(ComPortNo, ComSettings)) {
        for (int attempt = 0; attempt < DefaultAttempts && !success; ++attempt) {
            CommandPause();
            if (!QueryInfo())
                continue;
            CommandPause();
            if (!SendCommand(("H00C" + ReplyBytes(ReplyText, 6, 13) + "01").c_str()))
                continue;
            CommandPause();
            if (!SendCommand("H00A001"))
                continue;
            CommandPause();
            if (!SendCommand("H00L04"))
                continue;
            // The pause is kept without parity too, and the parity answer never decides the outcome.
            CommandPause();
            if (paritySupported)
                SendCommand("H00M0");
            CommandPause();
            success = SendCommand("H00E5");
        }
        CloseComPort();
    }

    if (success) {
        // The reader now answers only at the default line setting.
        SelectLineSetting(DefaultBaudRateIndex);
        SuccessSignal(observer, Text(txSetDefaultW26Ok));
    } else {
        FailureSignal(observer, Text(txSetDefaultW26Error));
    }
}

} // namespace operations
