#include "files.h"

#include "native.h"

#include <ctime>

namespace platform {

std::string IsoTimeNow() {
    const std::tm local = LocalTime(std::time(nullptr));
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    // strftime's offset is +0100; ISO 8601 as spreadsheets read it wants +01:00.
    std::string iso = text;
    if (iso.size() > 2)
        iso.insert(iso.size() - 2, ":");
    return iso;
}

} // namespace platform
