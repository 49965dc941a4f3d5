#include "console.h"

#include <atomic>
#include <cstring>

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

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

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    (void)argc, (void)argv; // the narrow ones went through the ANSI code page
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide && i < count; ++i) {
        const int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(std::size_t(length > 0 ? length : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), length, nullptr, nullptr);
        text.resize(std::strlen(text.c_str()));
        arguments.push_back(std::move(text));
    }
    LocalFree(wide);
    return arguments;
}

bool OutputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

} // namespace platform
