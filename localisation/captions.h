#pragma once
// The caption list that FormShow applies, in order: which control gets which row, with fixed pieces around it.

#include "message_table.h"

namespace localisation {

struct CaptionEntry {
    const char* control; ///< objectName of the control; "frmModule" is the window's title
    TextId text;
    const char* prefix;
    const char* suffix;
};

inline constexpr int CaptionCount = 19;
extern const CaptionEntry CaptionList[CaptionCount];

/// prefix + Text(text) + suffix in the current language, UTF-8.
std::string CaptionText(const CaptionEntry& entry);

} // namespace localisation
