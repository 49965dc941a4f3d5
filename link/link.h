#pragma once
// The reader link: the one serial port of the program and the command exchange, as free functions over
// module-level state on top of the pure protocol. Everything runs on the window's thread; nothing here is
// re-entered.

#include "platform/system.h"
#include "protocol/protocol.h"

#include <cstdint>
#include <functional>
#include <string>

// ---- serial port link ----

extern platform::PortHandle ComHandle;
extern platform::CommTimeouts SavedTimeouts;
extern const platform::CommTimeouts LinkTimeouts;

/// Opens COM`portNo` exclusively with a line-settings text. True once the device is open, even if the
/// platform refused the settings text (the port then keeps its previous line settings). A port that does not
/// open is told to the installed open-error report.
bool OpenComPort(int portNo, const std::string& settings);
/// Called with the port and the reason whenever OpenComPort fails; the program installs it, empty by default.
void SetOpenErrorReport(std::function<void(int portNo, platform::OpenError error)> report);
/// Installs an open-error report that hands `print` the advice of platform::OpenErrorAdvice (what the user can
/// do, such as joining the dialout group), each text once per run; an empty `print` removes the report.
void ReportOpenAdviceOnce(std::function<void(const std::string& advice)> print);
/// Puts SavedTimeouts back and closes ComHandle. Only after an OpenComPort that returned true.
void CloseComPort();
/// One write of one byte, then 1 ms.
void SendByte(std::uint8_t byte);
/// One write of the whole run, then 5 ms.
void SendBytes(const std::uint8_t* bytes, int count);

// ---- command frame ----

inline constexpr int RxBufferSize = 1024;
inline constexpr std::uint32_t ReplyTimeoutMs = 120;

extern std::uint8_t RxBuffer[RxBufferSize];
extern int RxCount;
extern std::string ReplyText;

/// Sends TAB, text, checksum digits, CR and waits up to 120 ms for a reply frame. True when a complete
/// frame (first byte LF, ended by CR) arrived in time and its checksum digits match.
bool SendCommand(const char* text);
/// ReplyChecksumRight on RxBuffer[0 .. RxCount).
bool VerifyReplyChecksum();

/// Served after every read that brought no byte while SendCommand waits, so the window stays alive. The
/// console installs QCoreApplication::processEvents here; empty by default.
void SetMessagePump(std::function<void()> pump);
/// Runs the installed pump once (card reading paces itself with it too).
void ProcessMessages();
