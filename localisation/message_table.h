#pragma once
// Every language-dependent caption and message: one row per TextId, one UTF-8 text per language. Texts are
// looked up at the moment they are shown, so a language switch affects everything shown afterwards.

#include <string>

namespace localisation {

enum TextId {
    txCompany,
    txTitle,
    txScanFirst,
    txCancelReadCard,
    txIdLabel,
    txBaudRateLabel,
    txSetBaudRateButton,
    txSetModeButton,
    txReadCardButton,
    txFactoryDefault,
    txQuickSetting,
    txDefault,
    txExit,
    txKeyNum,
    txCardId,
    txOpenCom,
    txError,
    txScanReader,
    txSerialNo,
    txVersion,
    txScanCom,
    txInfoOk,
    txInfoError,
    txReaderNotFound,
    txSetId,
    txSetIdOk,
    txSetIdError,
    txSetBaud,
    txSetBaudOk,
    txSetBaudError,
    txSetMode,
    txSetModeOk,
    txSetModeError,
    txSetParity,
    txSetParityOk,
    txSetParityError,
    txSetKey,
    txSetKeyOk,
    txSetKeyError,
    txSetDefaultWiegand,
    txSetDefaultW26Ok,
    txSetDefaultW26Error,
    TextIdCount
};

inline constexpr int LanguageCount = 3;

/// MessageTable[id][language], UTF-8. Constant for the whole run.
extern const char* const MessageTable[TextIdCount][LanguageCount];

/// The row's text in the current language (LanguageIndex, language.h).
const char* Text(TextId id);

} // namespace localisation
