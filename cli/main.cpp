// readerctl: the reader operations from a terminal or a script.

#include "cli/readerctl.h"
#include "platform/console.h"
#include "platform/settings_store.h"
#include "platform/system.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    try {
        platform::CatchInterrupts();
        platform::UseUtf8Console();
        const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
        cli::CtlEnvironment environment{platform::NativeSystem(),     *store, std::cout, std::cerr,
                                        platform::InterruptRequested, {}};
        // Over SSH there is no sound server: the terminal's bell is the tone the user can hear.
        if (platform::OutputIsTerminal())
            environment.bell = [] { std::cout << '\a' << std::flush; };
        return cli::RunReaderctl(platform::ProgramArguments(argc, argv), environment);
    } catch (const std::exception& error) {
        std::cerr << "readerctl: " << error.what() << '\n';
    } catch (...) {
        std::cerr << "readerctl: an unexpected error\n";
    }
    return cli::CtlFailed;
}
