// readerctl: the reader operations from a terminal or a script.

#include "cli/readerctl.h"
#include "platform/console.h"
#include "platform/settings_store.h"
#include "platform/system.h"

#include <iostream>

int main(int argc, char** argv) {
    platform::CatchInterrupts();
    platform::UseUtf8Console();
    const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
    cli::CtlEnvironment environment{platform::NativeSystem(), *store, std::cout, std::cerr,
                                    platform::InterruptRequested};
    return cli::RunReaderctl(std::vector<std::string>(argv + 1, argv + argc), environment);
}
