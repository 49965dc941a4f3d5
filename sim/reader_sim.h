#pragma once
// reader-sim: one ReaderModel served on a pseudo-terminal, for demos, the end-to-end tests and the benchmark.

#include "reader_model.h"

#include <string>
#include <vector>

namespace sim {

struct SimOptions {
    int com = 0;                    ///< 1..16: ports/COM<com> links to the slave; 0: no such link
    std::vector<std::string> links; ///< further symlinks to the slave
    ReaderModel::State state;
    ReaderModel::Faults faults;
    std::string heldCard;    ///< on the reader from the start
    double keysEverySec = 0; ///< > 0: a keypad entry this often
    double cardEverySec = 0; ///< > 0: a card this often
    bool log = false;        ///< the model's trace on stderr
    bool printPath = false;  ///< the slave's path on stdout first thing
    bool help = false;
};

/// Parses the command line (argv[0] skipped). False, with a message in `error`, for anything not understood.
bool ParseSimOptions(int argc, const char* const* argv, SimOptions& out, std::string& error);
std::string SimHelpText();

/// Frame bytes as one printable line: control characters by name (<TAB>, <LF>, <CR>), others as \xNN.
std::string Printable(const std::string& bytes);

/// Runs until SIGINT, SIGTERM, SIGHUP or "quit" on standard input; the process exit code.
int RunReaderSim(const SimOptions& options);

} // namespace sim
