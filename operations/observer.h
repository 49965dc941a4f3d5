#pragma once
// What an operation shows, step by step, in the order the window shows it. The window implements this with
// its controls, the operations tests with a recorder, a command-line tool with printing where it wants progress.
// Texts are UTF-8, exactly as the window shows them; a message is a Reason, which the observer words when it
// shows it. What an operation achieved is its Result (result.h).

#include "localisation/reason.h"
#include "protocol/protocol.h"

#include <string>

namespace operations {

/// shComm, the link lamp.
enum class Lamp { Red, Yellow };
/// The value panels pnSerial, pnVersion, pnID, pnKey and pnCardID.
enum class Panel { Serial, Version, Id, Key, CardId };
/// The lists cmbBaudRate, cmbParity, cmbMode, cmbWiegand and cmbRS485.
enum class List { BaudRate, Parity, Mode, Wiegand, Rs485 };
/// The scroll bars sbID and sbKey.
enum class Bar { Id, Key };
/// How the window takes input while an operation runs.
enum class Busy {
    Off,      ///< input taken again, the blinking lamp stopped
    On,       ///< input blocked, the lamp keeps its colour (the set operations, the factory default)
    Blinking, ///< input blocked, the lamp blinking (the scan)
    Polling,  ///< the lamp blinking with input taken, so that the stop click gets through (card reading)
};

class Observer {
public:
    virtual ~Observer() = default;

    /// pnMsg: the step or outcome, worded by the observer (localisation::Say).
    virtual void message(const localisation::Reason& message) = 0;
    virtual void panel(Panel panel, const std::string& text) = 0;
    /// `index` -1: the list without a selection.
    virtual void select(List list, int index) = 0;
    /// btnParity: enabled when the reader answers the parity query.
    virtual void parityEnabled(bool enabled) = 0;
    virtual void scrollTo(Bar bar, int position) = 0;
    virtual void commLamp(Lamp colour) = 0;
    /// shCard yellow with the card lamp's one-second timer started (a running one is not restarted), or white.
    virtual void cardLamp(bool lit) = 0;
    /// The window sounds it and returns when the tone has ended.
    virtual void beep(unsigned frequencyHz, unsigned durationMs) = 0;
    virtual void busy(Busy state) = 0;
    /// The hourglass, or the default cursor back.
    virtual void waitCursor(bool on) = 0;
    /// Card reading began (btnReadCard turns into its stop button, the other operations are locked) or ended.
    virtual void cardReading(bool active) = 0;
    /// A card or keypad entry as data; the text for pnCardID follows as a panel step.
    virtual void cardRead(const protocol::PolledEntry& entry) = 0;
};

/// Shows nothing; a caller that wants a few steps overrides those.
class QuietObserver : public Observer {
public:
    void message(const localisation::Reason&) override {}
    void panel(Panel, const std::string&) override {}
    void select(List, int) override {}
    void parityEnabled(bool) override {}
    void scrollTo(Bar, int) override {}
    void commLamp(Lamp) override {}
    void cardLamp(bool) override {}
    void beep(unsigned, unsigned) override {}
    void busy(Busy) override {}
    void waitCursor(bool) override {}
    void cardReading(bool) override {}
    void cardRead(const protocol::PolledEntry&) override {}
};

} // namespace operations
