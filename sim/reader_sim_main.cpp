// reader-sim: a simulated keypad card reader on a pseudo-terminal. See --help.

#include "reader_sim.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    sim::SimOptions options;
    std::string error;
    if (!sim::ParseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "reader-sim: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(sim::SimHelpText().c_str(), stdout);
        return 0;
    }
    return sim::RunReaderSim(options);
}
