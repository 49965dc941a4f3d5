#pragma once
// What an operation returns: how it ended, with the message it showed, what it read of the reader and where.
// The caller decides what to print from this; nobody reads an outcome back from what was shown.

#include "localisation/message_table.h"
#include "platform/system.h"

#include <optional>
#include <string>

namespace operations {

/// The reader's information, fields exactly as the reader sent them (8-bit characters). A field is absent when
/// its query went unanswered or was not sent.
struct ReaderInfo {
    std::optional<std::string> serial;
    std::optional<std::string> id;
    std::optional<std::string> version;
    std::optional<std::string> keys;
    /// Whether the reader answered the parity query: false for a reader without keycode parity, absent when the
    /// query was not sent.
    std::optional<bool> hasParity;
    std::optional<std::string> parity;
    std::optional<std::string> mode; ///< three digits: mode, Wiegand length, RS485 length
};

enum class Outcome {
    Done,        ///< the operation did what it was asked
    Failed,      ///< it could not: the refusal, a port that did not open, a reader that did not answer
    Incomplete,  ///< the scan found the reader but could not read all of its information
    Interrupted, ///< the caller asked it to stop
};

struct Result {
    Outcome outcome = Outcome::Failed;
    /// The row of the message the operation ended with.
    localisation::TextId message = localisation::txReaderNotFound;
    ReaderInfo info;
    /// Where it talked to the reader: ComPortNo and ComSettings (after a line change, the new setting).
    int port = 0;
    std::string line;
    int lineIndex = -1;
    /// Why the port did not open, when that ended the operation; None otherwise. A scan that found nothing gives
    /// the remembered port's reason, or NotFound with port 0 when no port could be opened at all.
    platform::OpenError openError = platform::OpenError::None;
    /// The exchange ended because the port went away (an adapter unplugged): the operation stopped there.
    bool portGone = false;
    /// Where the scan found the reader could not be saved in the settings key.
    bool notSaved = false;

    bool ok() const { return outcome == Outcome::Done; }
};

} // namespace operations
