#include "reason.h"

#include <iterator>

namespace localisation {

Reason Reason::Joined(std::vector<Reason> parts, std::string separator) {
    Reason joined;
    joined.value = std::move(separator);
    joined.parts = std::move(parts);
    return joined;
}

void Reason::add(Reason more) {
    if (more.empty())
        return;
    if (empty()) {
        *this = std::move(more);
        return;
    }
    *this = Joined({std::move(*this), std::move(more)}, "; ");
}

std::string Say(const Reason& reason) {
    if (!reason.text) {
        if (reason.parts.empty())
            return reason.value;
        std::string joined;
        for (const Reason& part : reason.parts)
            joined += (joined.empty() ? "" : reason.value) + Say(part);
        return joined;
    }
    // Format takes its values as a list written out: up to five, as the message table's rows have.
    std::string values[5];
    for (std::size_t i = 0; i < reason.parts.size() && i < std::size(values); ++i)
        values[i] = Say(reason.parts[i]);
    return Format(*reason.text, {values[0], values[1], values[2], values[3], values[4]});
}

} // namespace localisation
