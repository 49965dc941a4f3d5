#pragma once
// Font faces for the layout's Windows face names and for Han characters, as the system offers them, best
// first. CMake picks the list (faces_win32.cpp, faces_posix.cpp); every list ends with faces that the project's
// packages install (Liberation, Noto CJK), so that the offscreen tests find the same metrics everywhere.

#include <string>
#include <vector>

namespace platform {

/// What draws text that the layout sets in `layoutFace` ("MS Sans Serif", "Microsoft Sans Serif"); another
/// face is returned alone.
std::vector<std::string> LatinFaces(const std::string& layoutFace);

/// What draws Han characters: Simplified Chinese, or Traditional when `traditional`.
std::vector<std::string> HanFaces(bool traditional);

} // namespace platform
