#include "captions.h"

namespace localisation {

constexpr CaptionEntry CaptionList[CaptionCount] = {
    {"frmModule", txTitle, "", ""},
    {"pnVELNO", txCompany, "", ""},
    {"pnMsg", txScanFirst, "", ""},
    {"pnSerial", txSerialNo, "", " : ________"},
    {"pnVersion", txVersion, "", " : __.__-__"},
    {"lblID", txIdLabel, "", ":"},
    {"lblBaudRate", txBaudRateLabel, "", ":"},
    {"pnCardID", txCardId, "", ""},
    {"btnScan", txScanReader, "", ""},
    {"btnID", txSetId, "", ""},
    {"btnBaudRate", txSetBaudRateButton, "", ""},
    {"btnMode", txSetModeButton, "", ""},
    {"btnParity", txSetParity, "", ""},
    {"btnReadCard", txReadCardButton, "", ""},
    {"gbDefault", txQuickSetting, "", ""},
    {"tsDefault", txDefault, "", ""},
    {"btnFactoryW26", txFactoryDefault, "(", ")"},
    {"btnExit", txExit, "", ""},
    {"btnKey", txKeyNum, "", ""},
};

std::string CaptionText(const CaptionEntry& entry) {
    std::string text = entry.prefix ? entry.prefix : "";
    text += Text(entry.text);
    if (entry.suffix)
        text += entry.suffix;
    return text;
}

} // namespace localisation
