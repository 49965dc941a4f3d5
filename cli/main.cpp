// readerctl: the reader operations from a terminal or a script.

#include "cli/readerctl.h"
#include "platform/console.h"
#include "platform/settings_store.h"

#include <iostream>

int main(int argc, char** argv) {
    platform::CatchInterrupts();
    platform::UseUtf8Console();
    const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
    CtlEnvironment environment{*store, std::cout, std::cerr, platform::InterruptRequested};
    return RunReaderctl(std::vector<std::string>(argv + 1, argv + argc), environment);
}
