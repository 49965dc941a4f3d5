#include "message_table.h"

#include "language.h"

namespace localisation {

// The maker's address ends every company line, after three spaces.
#define VELNO_WEB "   www.velno.com.tw"

constexpr const char* MessageTable[TextIdCount][LanguageCount] = {
    /* txCompany */ {"VELNO Technology Corp." VELNO_WEB, "VELNO股份有限公司" VELNO_WEB, "VELNO股份有限公司" VELNO_WEB},
    /* txTitle */
    {"VELNO QUVIN4 Reader Config V3.20-01", "VELNO QUVIN4 按键读卡机设定程式 V3.20-01",
     "VELNO QUVIN4 按鍵讀卡機設定程式 V3.20-01"},
    /* txScanFirst */ {"Start Scan Reader!", "请先扫描读卡机!", "請先掃描讀卡機!"},
    /* txCancelReadCard */ {"Cancel Read Card", "取消读卡", "取消讀卡"},
    /* txIdLabel */ {"ID", "编号", "編號"},
    /* txBaudRateLabel */ {"BaudRate", "通讯速度", "通訊速度"},
    /* txSetBaudRateButton */ {"Set Reader Baud Rate (Reset)", "设定通讯速度(重置)", "設定通訊速度(重置)"},
    /* txSetModeButton */ {"Set Reader Wiegand/RS485 Mode", "设定 Wiegand/RS485 模式", "設定 Wiegand/RS485 模式"},
    /* txReadCardButton */
    {"Read Card (Change to RS485 Mode)", "读取卡片(自动设定为RS485模式)", "讀取卡片(自動設定為RS485模式)"},
    /* txFactoryDefault */ {"Factory Default", "出厂预设", "出廠預設"},
    /* txQuickSetting */ {"Quick Setting", "快速设定", "快速設定"},
    /* txDefault */ {"Default", "预设", "預設"},
    /* txExit */ {"Exit", "结束", "結束"},
    /* txKeyNum */ {"Key Num", "键数", "鍵數"},
    /* txCardId */ {"Card ID", "卡片ID", "卡片ID"},
    /* txOpenCom */ {"Open COM", "开启串口", "開啟串口"},
    /* txError */ {"Error", "错误", "錯誤"},
    /* txScanReader */ {"Scan Reader", "扫描读卡机", "掃描讀卡機"},
    /* txSerialNo */ {"S/N", "序号", "序號"},
    /* txVersion */ {"VER", "版本", "版本"},
    /* txScanCom */ {"Scan COM", "扫描串口", "掃描串口"},
    /* txInfoOk */ {"Get Reader Info Ok. (COM", "读取读卡机资讯完成. (串口", "讀取讀卡機資訊完成. (串口"},
    /* txInfoError */ {"Get Reader Info Error. (COM", "读取读卡机资讯错误. (串口", "讀取讀卡機資訊錯誤. (串口"},
    /* txReaderNotFound */ {"Reader Not Find", "读卡机没有连线", "讀卡機沒有連線"},
    /* txSetId */ {"Set Reader ID", "设定读卡机编号", "設定讀卡機編號"},
    /* txSetIdOk */ {"Set Reader ID Ok", "设定读卡机编号完成", "設定讀卡機編號完成"},
    /* txSetIdError */ {"Set Reader ID Error", "设定读卡机编号错误", "設定讀卡機編號錯誤"},
    /* txSetBaud */ {"Set Reader BaudRate", "设定读卡机通讯速度", "設定讀卡機通訊速度"},
    /* txSetBaudOk */ {"Set Reader BaudRate Ok", "设定读卡机通讯速度完成", "設定讀卡機通訊速度完成"},
    /* txSetBaudError */ {"Set Reader BaudRate Error", "设定读卡机通讯速度错误", "設定讀卡機通訊速度錯誤"},
    /* txSetMode */ {"Set Reader Mode", "设定读卡机模式", "設定讀卡機模式"},
    /* txSetModeOk */ {"Set Reader Mode Ok", "设定读卡机模式完成", "設定讀卡機模式完成"},
    /* txSetModeError */ {"Set Reader Mode Error", "设定读卡机模式错误", "設定讀卡機模式錯誤"},
    /* txSetParity */ {"Set Parity Mode", "设定同位元模式", "設定同位元模式"},
    /* txSetParityOk */ {"Set Parity Mode Ok", "设定同位元模式完成", "設定同位元模式完成"},
    /* txSetParityError */ {"Set Parity Mode Error", "设定同位元模式错误", "設定同位元模式錯誤"},
    /* txSetKey */ {"Set Reader Key", "设定读卡机按键数", "設定讀卡機按鍵數"},
    /* txSetKeyOk */ {"Set Reader Key Ok", "设定读卡机按键数完成", "設定讀卡機按鍵數完成"},
    /* txSetKeyError */ {"Set Reader Key Error", "设定读卡机按键数错误", "設定讀卡機按鍵數錯誤"},
    /* txSetDefaultWiegand */ {"Set Default Wiegand", "设定预设Wiegand模式", "設定預設Wiegand模式"},
    /* txSetDefaultW26Ok */ {"Set Default Wiegand 26 Ok", "设定预设Wiegand 26 模式完成", "設定預設Wiegand 26 模式完成"},
    /* txSetDefaultW26Error */
    {"Set Default Wiegand 26 Error", "设定预设Wiegand 26 模式错误", "設定預設Wiegand 26 模式錯誤"},
};

const char* Text(TextId id) {
    if (id < 0 || id >= TextIdCount)
        return "";
    const int language = LanguageIndex >= 0 && LanguageIndex < LanguageCount ? LanguageIndex : LanguageEnglish;
    return MessageTable[id][language];
}

} // namespace localisation
