#include "faces.h"

namespace platform {

std::vector<std::string> LatinFaces(const std::string& layoutFace) {
    if (layoutFace != "MS Sans Serif" && layoutFace != "Microsoft Sans Serif")
        return {layoutFace};
    // Liberation Sans has the metrics of the Windows sans faces; wider faces overflow the fixed-size buttons.
    return {layoutFace, "Liberation Sans", "Arial", "Helvetica"};
}

std::vector<std::string> HanFaces(bool traditional) {
    return {traditional ? "Noto Sans CJK TC" : "Noto Sans CJK SC"};
}

} // namespace platform
