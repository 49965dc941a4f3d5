#include "faces.h"

namespace platform {

std::vector<std::string> LatinFaces(const std::string& layoutFace) {
    if (layoutFace != "MS Sans Serif" && layoutFace != "Microsoft Sans Serif")
        return {layoutFace};
    // "MS Sans Serif" is a bitmap face in a few sizes only; its TrueType successor has the same metrics.
    return {"Microsoft Sans Serif", "Arial", "Liberation Sans"};
}

std::vector<std::string> HanFaces(bool traditional) {
    if (traditional)
        return {"Microsoft JhengHei", "PMingLiU", "Noto Sans CJK TC"};
    return {"Microsoft YaHei", "SimSun", "Noto Sans CJK SC"};
}

} // namespace platform
