#include "console.h"

#include <csignal>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnSignal(int) {
    interrupted = 1;
}

} // namespace

namespace platform {

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking wait returns early, and the caller looks at the flag.
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() {
    return interrupted != 0;
}

void UseUtf8Console() {}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

bool OutputIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

} // namespace platform
