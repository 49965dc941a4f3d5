#pragma once
// Something to be said, held as message-table rows and their values rather than words, so that whoever holds it
// can say it again in another language; each face words it with Say when it shows it.

#include "localisation/message_table.h"

#include <optional>
#include <string>
#include <vector>

namespace localisation {

/// A row of the message table with its values, a value as it stands, or several of them joined.
struct Reason {
    Reason() = default;
    /// A value as it stands: a serial, a path, a number, a system's error text.
    Reason(std::string shown) : value(std::move(shown)) {} // NOLINT(google-explicit-constructor)
    Reason(const char* shown) : value(shown) {}            // NOLINT(google-explicit-constructor)
    /// The row's words, with `values` for its {1}, {2}, ...
    Reason(TextId row, std::vector<Reason> values = {}) // NOLINT(google-explicit-constructor)
        : text(row), parts(std::move(values)) {}
    /// `parts` one after another, `separator` between them ("; ", ", ", or none).
    static Reason Joined(std::vector<Reason> parts, std::string separator);

    /// Nothing to say.
    bool empty() const { return !text && value.empty() && parts.empty(); }
    /// `more` after this one, "; " between.
    void add(Reason more);

    std::optional<TextId> text; ///< nothing: `value`, or `parts` joined by `value`
    std::string value;
    std::vector<Reason> parts;
};

/// The words, in the current language.
std::string Say(const Reason& reason);

} // namespace localisation
