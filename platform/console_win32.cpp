#include "console.h"

#include <atomic>

#include <windows.h>

namespace {

std::atomic<bool> interrupted{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        interrupted = true;
        return TRUE; // handled: the operation ends after its current command and closes its port
    default:
        return FALSE;
    }
}

} // namespace

namespace platform {

void CatchInterrupts() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool InterruptRequested() {
    return interrupted;
}

void UseUtf8Console() {
    SetConsoleOutputCP(CP_UTF8);
}

bool OutputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

} // namespace platform
