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
    /* stId */ {"ID", "编号", "編號"},
    /* stKeys */ {"keys", "键数", "鍵數"},
    /* stMode */ {"mode", "模式", "模式"},
    /* stParity */ {"parity", "同位元", "同位元"},
    /* stLine */ {"line", "通讯设定", "通訊設定"},
    /* ctNoDevice */ {"{1}: no such device", "{1}：没有此装置", "{1}：沒有此裝置"},
    /* ctNoPortOpened */
    {"no serial port could be opened; see 'readerctl ports'", "没有任何串口可以开启；请看 'readerctl ports'",
     "沒有任何串口可以開啟；請看 'readerctl ports'"},
    /* ctPortBusy */ {"{1} is in use by another program", "{1} 正被其他程序使用", "{1} 正被其他程式使用"},
    /* ctPermission */ {"{1}: no permission to open it", "{1}：没有开启的权限", "{1}：沒有開啟的權限"},
    /* ctPortError */ {"{1} could not be opened", "{1} 无法开启", "{1} 無法開啟"},
    /* ctPortGone */
    {"{1} is gone (the adapter was removed?)", "{1} 已消失（转换器被拔除了？）", "{1} 已消失（轉換器被拔除了？）"},
    /* ctNoReply */ {"no reply from {1} at {2}", "{1} 在 {2} 没有回应", "{1} 在 {2} 沒有回應"},
    /* ctIncomplete */
    {"the reader on {1} did not give all of its information", "{1} 上的读卡机没有给出全部资讯",
     "{1} 上的讀卡機沒有給出全部資訊"},
    /* ctInterrupted */ {"interrupted", "已中断", "已中斷"},
    /* cmParityUnknown */
    {"whether this reader has keycode parity is not known without a scan: \"H00M0\" is sent, and its answer does not "
     "count",
     "没有扫描就不知道这台读卡机是否有同位元：仍送出 \"H00M0\"，其回应不计",
     "沒有掃描就不知道這台讀卡機是否有同位元：仍送出 \"H00M0\"，其回應不計"},
    /* cmNotSent */
    {"interrupted: the settings after the one under way were not sent", "已中断：进行中的设定之后的设定没有送出",
     "已中斷：進行中的設定之後的設定沒有送出"},
    /* cmNotReadBack */ {"interrupted before reading back", "已中断，没有回读", "已中斷，沒有回讀"},
    /* cmWhere */ {"{1} at {2}", "{1}，{2}", "{1}，{2}"},
    /* cmReadingBack */ {"reading back: {1}", "回读：{1}", "回讀：{1}"},
    /* cmNotAsked */ {"{1} {2}, not {3}", "{1} 为 {2}，不是 {3}", "{1} 為 {2}，不是 {3}"},
    /* cmReadBackDiffers */ {"read back on {1}: {2}", "在 {1} 回读：{2}", "在 {1} 回讀：{2}"},
    /* cmStillAt */ {"still at {1}", "通讯设定仍为 {1}", "通訊設定仍為 {1}"},
    /* cmNotSaved */
    {"the reader now answers on {2} at {1}, and this could not be remembered",
     "读卡机现在在 {2} 以 {1} 回应，但无法记住此设定", "讀卡機現在在 {2} 以 {1} 回應，但無法記住此設定"},
    /* cmScanNotSaved */
    {"the reader was found on {1} at {2}, and this could not be remembered",
     "在 {1} 以 {2} 找到读卡机，但无法记住此设定", "在 {1} 以 {2} 找到讀卡機，但無法記住此設定"},
    /* cmNoIdLeft */ {"no reader ID is left after {1}", "{1} 之后没有可用的读卡机编号", "{1} 之後沒有可用的讀卡機編號"},
    /* cmNotInPlan */
    {"reader {1} matches no row of the plan that is left", "读卡机 {1} 不符合计划表中剩下的任何一行",
     "讀卡機 {1} 不符合計畫表中剩下的任何一列"},
    /* cmTakesRow */ {"it takes {1} of the plan", "套用计划表的 {1}", "套用計畫表的 {1}"},
    /* cmNothing */ {"nothing", "无", "無"},
    /* cmDrift */ {"drift: {1}", "与计划不符：{1}", "與計畫不符：{1}"},
    /* cmRecordFailed */
    {"the record {1} cannot be written to: {2}", "无法写入记录档 {1}：{2}", "無法寫入記錄檔 {1}：{2}"},
    /* flFolder */ {"it is a folder", "这是一个文件夹", "這是一個資料夾"},
    /* flPermission */ {"permission denied", "没有权限", "沒有權限"},
    /* flNoFolder */ {"no such folder", "文件夹不存在", "資料夾不存在"},
    /* flDiskFull */ {"the disk is full", "磁盘已满", "磁碟已滿"},
    /* flTooLarge */ {"the file is too large", "档案太大", "檔案太大"},
    /* flNotText */ {"it is not a file", "这不是一个档案", "這不是一個檔案"},
    /* flRecordColumns */
    {"the record {1} has other columns than a record: {2}", "记录档 {1} 的列与记录档应有的列不同：{2}",
     "記錄檔 {1} 的欄與記錄檔應有的欄不同：{2}"},
    /* flLacks */ {"it lacks {1}", "缺少 {1}", "缺少 {1}"},
    /* flHasExtra */ {"it has {1}", "多了 {1}", "多了 {1}"},
    /* flLacksAndHas */ {"it lacks {1} and has {2}", "缺少 {1}，多了 {2}", "缺少 {1}，多了 {2}"},
    /* flOtherOrder */ {"its columns are in another order", "列的顺序不同", "欄的順序不同"},
    /* flReplaced */ {"{1} was replaced by another program", "{1} 已被其他程序替换", "{1} 已被其他程式取代"},
    /* flShortened */ {"{1} was shortened by another program", "{1} 已被其他程序截短", "{1} 已被其他程式截短"},
    /* flRemoved */ {"{1} was removed by another program", "{1} 已被其他程序删除", "{1} 已被其他程式刪除"},
    /* flNotRecorded */
    {"reader {1} was not recorded: {2}; it keeps its settings", "读卡机 {1} 没有记入记录档：{2}；读卡机保留其设定",
     "讀卡機 {1} 沒有記入記錄檔：{2}；讀卡機保留其設定"},
    /* flNotRecordedId */
    {"reader {1} was not recorded: {2}; it keeps its settings, ID {3}",
     "读卡机 {1} 没有记入记录档：{2}；读卡机保留其设定，编号 {3}",
     "讀卡機 {1} 沒有記入記錄檔：{2}；讀卡機保留其設定，編號 {3}"},
    /* flReportFailed */
    {"the report {1} cannot be written: {2}", "无法写入报告 {1}：{2}", "無法寫入報告 {1}：{2}"},
    /* flNotAReport */
    {"{1} is not a report: choose another name", "{1} 不是报告：请换一个档名", "{1} 不是報告：請換一個檔名"},
    /* cmDoor */ {"door {1}", "门 {1}", "門 {1}"},
    /* cmRowLine */ {"line {1}", "第 {1} 行", "第 {1} 列"},
    /* plLineFault */ {"line {1}: {2}", "第 {1} 行：{2}", "第 {1} 列：{2}"},
    /* plCellFault */ {"line {1}: column {2}: {3}", "第 {1} 行，{2} 列：{3}", "第 {1} 列，{2} 欄：{3}"},
    /* plColumnNth */ {"{1}", "第 {1}", "第 {1}"},
    /* plCannotRead */ {"cannot read the plan {1}", "无法读取计划表 {1}", "無法讀取計畫表 {1}"},
    /* plNotUtf8 */
    {"'{1}' is not UTF-8 text: in the spreadsheet, use Save As with the type \"CSV UTF-8 (Comma delimited)\"",
     "'{1}' 不是 UTF-8 文本：请在电子表格中用\"另存为\"，存成\"CSV UTF-8(逗号分隔)\"类型",
     "'{1}' 不是 UTF-8 文字：請在試算表中用「另存新檔」，存成「CSV UTF-8 (逗號分隔)」類型"},
    /* plEmpty */
    {"the plan is empty: it needs a header row", "计划表是空的：需要一个标题行", "計畫表是空的：需要一個標題列"},
    /* plNoRows */ {"the plan has no rows", "计划表没有任何一行", "計畫表沒有任何一列"},
    /* plUnknownColumn */
    {"unknown column '{1}'; the columns are {2}", "未知的列 '{1}'；可用的列有 {2}", "未知的欄 '{1}'；可用的欄有 {2}"},
    /* plColumnTwice */ {"the column '{1}' is given twice", "列 '{1}' 重复出现", "欄 '{1}' 重複出現"},
    /* plFieldCount */
    {"a row of {1} fields under a header of {2}", "这一行有 {1} 个单元格，但标题行有 {2} 个",
     "這一列有 {1} 個儲存格，但標題列有 {2} 個"},
    /* plSerialCell */
    {"'{1}': 8 characters, or empty", "'{1}'：须为 8 个字符，或留空", "'{1}'：須為 8 個字元，或留空"},
    /* plSerialTwice */ {"serial {1} is on line {2} too", "序号 {1} 也在第 {2} 行", "序號 {1} 也在第 {2} 列"},
    /* plIdTwice */ {"ID {1} is on line {2} too", "编号 {1} 也在第 {2} 行", "編號 {1} 也在第 {2} 列"},
    /* plLineSpaces */
    {"write the line setting without spaces: {1}", "通讯设定请不要加空格：{1}", "通訊設定請不要加空格：{1}"},
    /* plModeCell */
    {"'{1}': three words: wiegand or rs485, the Wiegand length (26, 34 or 42) and the RS485 length (24, 32 or 40), "
     "such as wiegand 26 32",
     "'{1}'：需要三个词：wiegand 或 rs485、Wiegand 长度（26、34 或 42）及 RS485 长度（24、32 或 40），例如 wiegand 26 "
     "32",
     "'{1}'：需要三個詞：wiegand 或 rs485、Wiegand 長度（26、34 或 42）及 RS485 長度（24、32 或 40），例如 wiegand 26 "
     "32"},
    /* plIdCell */
    {"'{1}': an ID from 1 to 99; each row gives its own", "'{1}'：1 到 99 的编号；每一行各给一个",
     "'{1}'：1 到 99 的編號；每一列各給一個"},
    /* csQuoteOpen */ {"a quote is not closed", "引号没有结束", "引號沒有結束"},
    /* csAfterQuote */ {"text after a closing quote", "结束引号之后还有文字", "結束引號之後還有文字"},
    /* usNotUtf8 */ {"'{1}' is not UTF-8 text", "'{1}' 不是 UTF-8 文本", "'{1}' 不是 UTF-8 文字"},
    /* rcNote */ {"Note: {1}", "注意：{1}", "注意：{1}"},
    /* rcReadBackAnswers */
    {"Read back on {1}: the reader answers", "在 {1} 回读：读卡机有回应", "在 {1} 回讀：讀卡機有回應"},
    /* rcReadBackSame */
    {"Read back on {1}: {2}, as set", "在 {1} 回读：{2}，与设定相同", "在 {1} 回讀：{2}，與設定相同"},
    /* rcWaiting */
    {"Waiting for a reader on {1}; Ctrl-C ends", "等待读卡机连接到{1}；按 Ctrl-C 结束",
     "等待讀卡機連接到{1}；按 Ctrl-C 結束"},
    /* rcAnyPort */ {"any port", "任一串口", "任一串口"},
    /* rcReaderOn */ {"Reader {1} on {2} at {3}", "读卡机 {1} 在 {2}，{3}", "讀卡機 {1} 在 {2}，{3}"},
    /* rcDone */ {"Reader {1}: done", "读卡机 {1}：完成", "讀卡機 {1}：完成"},
    /* rcFailed */ {"Reader {1}: failed: {2}", "读卡机 {1}：失败：{2}", "讀卡機 {1}：失敗：{2}"},
    /* rcRefused */ {"Reader {1}: refused: {2}", "读卡机 {1}：拒绝：{2}", "讀卡機 {1}：拒絕：{2}"},
    /* rcAlreadyDone */
    {"Reader {1} is done already, ID {2}", "读卡机 {1} 已经完成，编号 {2}", "讀卡機 {1} 已經完成，編號 {2}"},
    /* rcRemove */
    {"Remove reader {1}; then the next one, please", "请移除读卡机 {1}，再接上下一台",
     "請移除讀卡機 {1}，再接上下一台"},
    /* rcSummary */ {"Readers done: {1}, failed: {2}", "完成的读卡机：{1}，失败：{2}", "完成的讀卡機：{1}，失敗：{2}"},
    /* rcNotDone */ {"Not done: {1}", "未完成：{1}", "未完成：{1}"},
    /* rcRowsLeft */
    {"interrupted with {1} rows of the plan not done", "已中断，计划表还有 {1} 行未完成",
     "已中斷，計畫表還有 {1} 列未完成"},
    /* rcDiffHead */
    {"{1}, reader {2} on {3} at {4}:", "{1}，读卡机 {2} 在 {3}，{4}：", "{1}，讀卡機 {2} 在 {3}，{4}："},
    /* rcNoChange */ {"nothing to change", "没有需要变更的设定", "沒有需要變更的設定"},
    /* rcIdsLeft */
    {"IDs {1} to {2}: {3} readers at most", "编号 {1} 到 {2}：最多 {3} 台读卡机", "編號 {1} 到 {2}：最多 {3} 台讀卡機"},
    /* rcSearching */
    {"{1} does not answer at {2}; searching every port", "{1} 在 {2} 没有回应；搜寻所有串口",
     "{1} 在 {2} 沒有回應；搜尋所有串口"},
    /* rcPassPort */
    {"(pass --port {1} --line {2})", "（请加上 --port {1} --line {2}）", "（請加上 --port {1} --line {2}）"},
    /* rcTraceFull */
    {"warning: the trace file {1} cannot be written to; the trace stops here", "警告：无法写入追踪档 {1}；追踪到此停止",
     "警告：無法寫入追蹤檔 {1}；追蹤到此停止"},
    /* rcTriedOnly */
    {"(tried {1} only; --all-lines tries all twelve line settings)",
     "（只试了 {1}；--all-lines 会试全部十二种通讯设定）", "（只試了 {1}；--all-lines 會試全部十二種通訊設定）"},
    /* usSee */
    {"readerctl: {1}; see 'readerctl --help'", "readerctl：{1}；请看 'readerctl --help'",
     "readerctl：{1}；請看 'readerctl --help'"},
    /* usAnd */ {"{1} and {2}", "{1} 和 {2}", "{1} 和 {2}"},
    /* usFromTo */ {"{1} to {2}", "{1} 到 {2}", "{1} 到 {2}"},
    /* usOr */ {"{1} or {2}", "{1} 或 {2}", "{1} 或 {2}"},
    /* usOrMore */ {"{1} or more", "{1} 或以上", "{1} 或以上"},
    /* usGoesWith */ {"{1} goes with {2}", "{1} 只能与 {2} 一起使用", "{1} 只能與 {2} 一起使用"},
    /* usAllLinesPort */
    {"--all-lines searches every port; it cannot go with --port", "--all-lines 会搜寻所有串口，不能与 --port 一起使用",
     "--all-lines 會搜尋所有串口，不能與 --port 一起使用"},
    /* usLanguages */ {"en, gb or big5", "en、gb 或 big5", "en、gb 或 big5"},
    /* usLineRange */
    {"an index 0 to 11 or a setting such as 19200,e,8,1", "0 到 11 的序号，或如 19200,e,8,1 的设定",
     "0 到 11 的序號，或如 19200,e,8,1 的設定"},
    /* usModeRange */ {"wiegand or rs485 (0 or 1)", "wiegand 或 rs485（0 或 1）", "wiegand 或 rs485（0 或 1）"},
    /* usWiegandRange */
    {"Wiegand length {1}: 26, 34 or 42", "Wiegand 长度 {1}：26、34 或 42", "Wiegand 長度 {1}：26、34 或 42"},
    /* usRs485Range */
    {"RS485 length {1}: 24, 32 or 40", "RS485 长度 {1}：24、32 或 40", "RS485 長度 {1}：24、32 或 40"},
    /* usNeedsFile */ {"{1} needs a file name", "{1} 需要一个档名", "{1} 需要一個檔名"},
    /* usNeedsValue */ {"{1} needs a value", "{1} 需要一个值", "{1} 需要一個值"},
    /* usNeedsValueOf */ {"{1} needs a value: {2}", "{1} 需要一个值：{2}", "{1} 需要一個值：{2}"},
    /* usNeedsThree */ {"{1} needs three values: {2}", "{1} 需要三个值：{2}", "{1} 需要三個值：{2}"},
    /* usNeedsPlan */ {"{1} needs a plan file", "{1} 需要一个计划表档案", "{1} 需要一個計畫表檔案"},
    /* usNoCommand */ {"no command given", "没有指定命令", "沒有指定命令"},
    /* usNoValue */ {"{1} takes no value", "{1} 不接受值", "{1} 不接受值"},
    /* usOneTooMany */
    {"{1} takes no arguments; '{2}' is one too many", "{1} 不接受参数；'{2}' 是多余的",
     "{1} 不接受參數；'{2}' 是多餘的"},
    /* usOnePlan */
    {"{1} takes one plan; '{2}' is one too many", "{1} 只接受一个计划表；'{2}' 是多余的",
     "{1} 只接受一個計畫表；'{2}' 是多餘的"},
    /* usSetNeeds */ {"set needs a setting: {1}", "set 需要一个设定：{1}", "set 需要一個設定：{1}"},
    /* usTwice */ {"{1} is given twice", "{1} 重复指定", "{1} 重複指定"},
    /* usUnknownCommand */ {"unknown command '{1}'", "未知的命令 '{1}'", "未知的命令 '{1}'"},
    /* usUnknownOption */ {"unknown option '{1}'", "未知的选项 '{1}'", "未知的選項 '{1}'"},
    /* usUnknownSetting */
    {"unknown setting '{1}'; the settings are {2}", "未知的设定 '{1}'；设定有 {2}", "未知的設定 '{1}'；設定有 {2}"},
    /* usPinEmpty */
    {"--pin needs COM<N>=NAME after it, or nothing to pin every port present",
     "--pin 后面需要 COM<N>=NAME，或什么都不加以固定所有现有串口",
     "--pin 後面需要 COM<N>=NAME，或什麼都不加以固定所有現有串口"},
    /* usPinValue */ {"COM<N>=NAME, N 1 to 16", "COM<N>=NAME，N 为 1 到 16", "COM<N>=NAME，N 為 1 到 16"},
    /* ptPinned */ {"{1} pinned to {2}", "{1} 已固定到 {2}", "{1} 已固定到 {2}"},
    /* ptRemoved */
    {"{1} removed; its adapter is {2} now", "{1} 已移除；其转换器现在是 {2}", "{1} 已移除；其轉換器現在是 {2}"},
    /* ptNotPinned */ {"{1} not pinned: {2}", "{1} 未固定：{2}", "{1} 未固定：{2}"},
    /* ptSharedName */
    {"{1} (also another adapter's name: pin by by-path)", "{1}（也是另一个转换器的名称：请以 by-path 固定）",
     "{1}（也是另一個轉換器的名稱：請以 by-path 固定）"},
    /* ptSerial */ {"serial {1}", "序号 {1}", "序號 {1}"},
    /* ptNoSerial */ {"no serial number", "没有序号", "沒有序號"},
    /* ptNothingPresent */
    {"no serial device is present; there is nothing to pin", "没有任何串口装置；没有可固定的",
     "沒有任何串口裝置；沒有可固定的"},
    /* ptNotAbsolute */
    {"{1}: give a name in {2}/by-id/ or {2}/by-path/, or an absolute path",
     "{1}：请给出 {2}/by-id/ 或 {2}/by-path/ 中的名称，或绝对路径",
     "{1}：請給出 {2}/by-id/ 或 {2}/by-path/ 中的名稱，或絕對路徑"},
    /* ptUnknownName */
    {"no adapter is named {1} in {2}/by-id/ or {2}/by-path/", "{2}/by-id/ 和 {2}/by-path/ 中没有名为 {1} 的转换器",
     "{2}/by-id/ 和 {2}/by-path/ 中沒有名為 {1} 的轉換器"},
    /* ptLeadsNowhere */ {"{1} leads nowhere", "{1} 没有指向任何装置", "{1} 沒有指向任何裝置"},
    /* ptNotDevice */ {"{1} is not a device", "{1} 不是装置", "{1} 不是裝置"},
    /* ptSharedByIdName */
    {"{1} is the by-id name of more than one adapter; pin it by its name in {2}/by-path",
     "{1} 是多个转换器共用的 by-id 名称；请以其在 {2}/by-path 中的名称固定",
     "{1} 是多個轉換器共用的 by-id 名稱；請以其在 {2}/by-path 中的名稱固定"},
    /* ptNoStableName */
    {"{1} has no name in {2}/by-path or by-id to pin it by (udev makes them)",
     "{1} 在 {2}/by-path 或 by-id 中没有可用来固定的名称（由 udev 建立）",
     "{1} 在 {2}/by-path 或 by-id 中沒有可用來固定的名稱（由 udev 建立）"},
    /* ptNotLink */ {"{1} is not a link, and is left as it is", "{1} 不是链接，保持不变", "{1} 不是連結，保持不變"},
    /* ptNoFolder */
    {"cannot create the ports folder {1}: {2}", "无法建立串口文件夹 {1}：{2}", "無法建立串口資料夾 {1}：{2}"},
    /* ptNotWritten */ {"cannot write {1}: {2}", "无法写入 {1}：{2}", "無法寫入 {1}：{2}"},
    /* ptOtherFailed */
    {"nothing was written, since {1} could not be pinned", "因 {1} 无法固定，什么都没有写入",
     "因 {1} 無法固定，什麼都沒有寫入"},
    /* ptSystemNumbers */
    {"Windows gives the COM numbers itself (Device Manager, Ports); there is nothing to pin",
     "Windows 自行分配 COM 编号（设备管理器，端口）；没有可固定的",
     "Windows 自行分配 COM 編號（裝置管理員，連接埠）；沒有可固定的"},
    /* ptDangling */
    {"{1} leads to {2}, which does not exist", "{1} 指向 {2}，但它不存在", "{1} 指向 {2}，但它不存在"},
    /* swTitle */ {"VELNO QUVIN4 Site Commissioning", "VELNO QUVIN4 现场安装设定", "VELNO QUVIN4 現場安裝設定"},
    /* swPlan */ {"&Plan:", "计划表(&P)：", "計畫表(&P)："},
    /* swNoPlan */
    {"none: the settings on the right for every reader", "无：每台读卡机使用右边的设定",
     "無：每台讀卡機使用右邊的設定"},
    /* swChoose */ {"Choose...", "选择...", "選擇..."},
    /* swApply */ {"&Apply the plan", "套用计划表(&A)", "套用計畫表(&A)"},
    /* swAudit */ {"A&udit: read and compare only", "稽核：只读取比对(&U)", "稽核：只讀取比對(&U)"},
    /* swSettings */ {"Settings for every reader", "每台读卡机的设定", "每台讀卡機的設定"},
    /* swIdFrom */ {"Reader ID, counting up from", "读卡机编号，从此值起递增", "讀卡機編號，從此值起遞增"},
    /* swKeyCount */ {"Key count", "按键数", "按鍵數"},
    /* swOutputMode */ {"Output mode", "输出模式", "輸出模式"},
    /* swKeyParity */ {"Keycode parity", "按键同位元", "按鍵同位元"},
    /* swLineSetting */ {"Line setting", "通讯设定", "通訊設定"},
    /* swRecord */ {"&Record:", "记录档(&R)：", "記錄檔(&R)："},
    /* swReport */ {"Rep&ort:", "报告(&O)：", "報告(&O)："},
    /* swNoReport */ {"none", "无", "無"},
    /* swStart */ {"&Start", "开始(&S)", "開始(&S)"},
    /* swStop */ {"S&top", "停止(&T)", "停止(&T)"},
    /* swExit */ {"&Exit", "结束(&E)", "結束(&E)"},
    /* swColDoor */ {"Door", "门", "門"},
    /* swColMode */ {"Mode", "模式", "模式"},
    /* swColParity */ {"Parity", "同位元", "同位元"},
    /* swColLine */ {"Line", "通讯设定", "通訊設定"},
    /* swColOutcome */ {"Outcome", "结果", "結果"},
    /* swColTime */ {"Time", "时间", "時間"},
    /* swNotDone */ {"not yet done", "尚未完成", "尚未完成"},
    /* swUnderWay */ {"under way", "进行中", "進行中"},
    /* swRowDone */ {"done", "完成", "完成"},
    /* swRowAsPlanned */ {"as planned", "与计划相符", "與計畫相符"},
    /* swRowFailed */ {"failed: {1}", "失败：{1}", "失敗：{1}"},
    /* swRowRefused */ {"refused: {1}", "拒绝：{1}", "拒絕：{1}"},
    /* swDone */ {"Done: {1}", "完成：{1}", "完成：{1}"},
    /* swFailed */ {"Failed: {1}", "失败：{1}", "失敗：{1}"},
    /* swLeft */ {"Left: {1}", "剩下：{1}", "剩下：{1}"},
    /* swReady */
    {"Choose a plan or the settings for every reader, then Start", "请选择计划表或每台读卡机的设定，再按开始",
     "請選擇計畫表或每台讀卡機的設定，再按開始"},
    /* swPlanReady */
    {"Plan {1}: {2} rows; Start when ready", "计划表 {1}：{2} 行；准备好请按开始",
     "計畫表 {1}：{2} 列；準備好請按開始"},
    /* swPlanFaulty */ {"The plan cannot be used: {1}", "无法使用此计划表：{1}", "無法使用此計畫表：{1}"},
    /* swMoreFaults */ {"and {1} more", "另有 {1} 项", "另有 {1} 項"},
    /* swNothingToSet */
    {"Choose at least one setting, or a plan", "请至少选择一项设定，或选择计划表", "請至少選擇一項設定，或選擇計畫表"},
    /* swNotStarted */ {"Not started: {1}", "没有开始：{1}", "沒有開始：{1}"},
    /* swWaiting */ {"Waiting for a reader on {1}", "等待读卡机连接到{1}", "等待讀卡機連接到{1}"},
    /* swAnyPort */ {"any port", "任一串口", "任一串口"},
    /* swFound */ {"Reader {1} found on {2} at {3}", "在 {2}，{3} 找到读卡机 {1}", "在 {2}，{3} 找到讀卡機 {1}"},
    /* swTakesRow */ {"Reader {1} on {2} at {3}: {4}", "读卡机 {1} 在 {2}，{3}：{4}", "讀卡機 {1} 在 {2}，{3}：{4}"},
    /* swReadBack */ {"Read back on {1}: {2}, as set", "在 {1} 回读：{2}，与设定相同", "在 {1} 回讀：{2}，與設定相同"},
    /* swReaderDone */ {"Reader {1}: done", "读卡机 {1}：完成", "讀卡機 {1}：完成"},
    /* swReaderAsPlanned */ {"Reader {1}: as planned", "读卡机 {1}：与计划相符", "讀卡機 {1}：與計畫相符"},
    /* swReaderFailed */ {"Reader {1}: failed: {2}", "读卡机 {1}：失败：{2}", "讀卡機 {1}：失敗：{2}"},
    /* swReaderRefused */ {"Reader {1}: refused: {2}", "读卡机 {1}：拒绝：{2}", "讀卡機 {1}：拒絕：{2}"},
    /* swAlreadyDone */
    {"Reader {1} is done already, ID {2}", "读卡机 {1} 已经完成，编号 {2}", "讀卡機 {1} 已經完成，編號 {2}"},
    /* swRemove */
    {"{1}. Remove the reader; then the next one, please", "{1}。请移除读卡机，再接上下一台",
     "{1}。請移除讀卡機，再接上下一台"},
    /* swStopping */
    {"Stopping: the command under way ends first", "停止中：等进行中的命令完成", "停止中：等進行中的命令完成"},
    /* swStopped */ {"Stopped: {1} done, {2} failed", "已停止：完成 {1}，失败 {2}", "已停止：完成 {1}，失敗 {2}"},
    /* swPlanDone */
    {"The plan is done: {1} done, {2} failed", "计划表已完成：完成 {1}，失败 {2}", "計畫表已完成：完成 {1}，失敗 {2}"},
    /* swStartAgain */
    {"Plan {1} is done. Start it again?", "计划表 {1} 已完成。要重新开始吗？", "計畫表 {1} 已完成。要重新開始嗎？"},
    /* swStartAgainYes */ {"&Start again", "重新开始(&S)", "重新開始(&S)"},
    /* swStartAgainNo */ {"Cancel", "取消", "取消"},
    /* swEnded */ {"Ended: {1}", "已结束：{1}", "已結束：{1}"},
    /* swLanguageNotSaved */ {"The language could not be remembered", "无法记住语言设定", "無法記住語言設定"},
    /* swPlanFiles */ {"Plans (*.csv);;All files (*)", "计划表 (*.csv);;所有档案 (*)", "計畫表 (*.csv);;所有檔案 (*)"},
    /* swRecordFiles */
    {"Records (*.csv);;All files (*)", "记录档 (*.csv);;所有档案 (*)", "記錄檔 (*.csv);;所有檔案 (*)"},
    /* swReportFiles */
    {"Reports (*.html);;All files (*)", "报告 (*.html);;所有档案 (*)", "報告 (*.html);;所有檔案 (*)"},
    /* ltTitle */ {"Line test on {1} at {2}", "{1}，{2} 线路测试", "{1}，{2} 線路測試"},
    /* ltProgress */
    {"Line test on {1} at {2}: {3} of {4} queries", "{1}，{2} 线路测试：{4} 次查询已完成 {3} 次",
     "{1}，{2} 線路測試：{4} 次查詢已完成 {3} 次"},
    /* ltFailed */ {"Line test on {1} at {2}: {3}", "{1}，{2} 线路测试：{3}", "{1}，{2} 線路測試：{3}"},
    /* ltUnanswered */
    {"{1} of {2} queries unanswered", "{2} 次查询中有 {1} 次没有回应", "{2} 次查詢中有 {1} 次沒有回應"},
    /* ltCounts */
    {"sent {1}, answered {2}, timed out {3}, bad checksum {4}", "送出 {1}，回应 {2}，逾时 {3}，检查码错误 {4}",
     "送出 {1}，回應 {2}，逾時 {3}，檢查碼錯誤 {4}"},
    /* ltEcho */ {"echo: {1}; noise bytes: {2}", "回波：{1}；杂讯位元组：{2}", "回波：{1}；雜訊位元組：{2}"},
    /* ltEchoSeen */
    {"seen on {1} queries (the converter hears the tool's own frames)",
     "{1} 次查询出现（转换器听到程序自己送出的讯框）", "{1} 次查詢出現（轉換器聽到程式自己送出的訊框）"},
    /* ltEchoNone */ {"none", "无", "無"},
    /* ltReplyTimes */
    {"reply time: min {1} ms, median {2} ms, 99th percentile {3} ms, max {4} ms",
     "回应时间：最短 {1} ms，中位数 {2} ms，第 99 百分位 {3} ms，最长 {4} ms",
     "回應時間：最短 {1} ms，中位數 {2} ms，第 99 百分位 {3} ms，最長 {4} ms"},
    /* ltNoReplyTime */
    {"reply time: none, no query was answered", "回应时间：无，没有任何查询得到回应",
     "回應時間：無，沒有任何查詢得到回應"},
    /* cmStateFound */
    {"{1}: {2} doors done, {3} IDs held; {4} rows left", "{1}：已完成 {2} 个门，保留 {3} 个编号；还有 {4} 行",
     "{1}：已完成 {2} 個門，保留 {3} 個編號；還有 {4} 列"},
    /* cmStateFoundNoPlan */
    {"{1}: {2} readers done, {3} IDs held", "{1}：已完成 {2} 台读卡机，保留 {3} 个编号",
     "{1}：已完成 {2} 台讀卡機，保留 {3} 個編號"},
    /* cmSetAside */
    {"{1}, line {2}: a row cut short (not written whole) is set aside", "{1} 第 {2} 行：这一行没有写完整，已略过",
     "{1} 第 {2} 列：這一列沒有寫完整，已略過"},
    /* cmParityLeftOut */
    {"this reader has no keycode parity: the parity is left out", "这台读卡机没有按键同位元：不设定同位元",
     "這台讀卡機沒有按鍵同位元：不設定同位元"},
    /* cmNotNoted */
    {"ID {1} was not sent: the record cannot be written to", "编号 {1} 没有送出：无法写入记录档",
     "編號 {1} 沒有送出：無法寫入記錄檔"},
    /* cmNotGiven */ {"the reader did not give its {1}: {2}", "读卡机没有给出{1}：{2}", "讀卡機沒有給出{1}：{2}"},
    /* cmReplaces */
    {"it takes {1} of the plan, replacing reader {2}", "套用计划表的 {1}，取代读卡机 {2}",
     "套用計畫表的 {1}，取代讀卡機 {2}"},
    /* cmNoSerials */
    {"no row names a reader's serial: audit the record", "没有任何一行写有读卡机序号：请稽核记录档",
     "沒有任何一列列出讀卡機序號：請稽核記錄檔"},
    /* rcUnchanged */
    {"Reader {1}: unchanged, it has its settings already", "读卡机 {1}：未变更，设定已相符",
     "讀卡機 {1}：未變更，設定已相符"},
    /* rcDoneUnchanged */
    {"Reader {1}: done; unchanged: {2}", "读卡机 {1}：完成；未变更：{2}", "讀卡機 {1}：完成；未變更：{2}"},
    /* rcUnverified */
    {"Reader {1}: sent, not read back", "读卡机 {1}：已送出，没有回读", "讀卡機 {1}：已送出，沒有回讀"},
    /* rcAuditFailed */
    {"{1} readers are not as the plan has them", "有 {1} 台读卡机与计划表不符", "有 {1} 台讀卡機與計畫表不符"},
    /* swRowUnchanged */ {"unchanged", "未变更", "未變更"},
    /* swRowUnverified */ {"sent, not read back", "已送出，没有回读", "已送出，沒有回讀"},
    /* swReplacementQuestion */
    {"{1}'s reader failed: is this its replacement, or the next door?",
     "{1} 的读卡机失败了：这台是它的替换品，还是下一个门的？",
     "{1} 的讀卡機失敗了：這台是它的替換品，還是下一個門的？"},
    /* swReplacementYes */ {"Its replacement", "是替换品", "是替換品"},
    /* swReplacementNo */ {"The next door", "下一个门", "下一個門"},
    /* swReplaceAction */ {"Replace this door's reader", "替换这个门的读卡机", "替換這個門的讀卡機"},
    /* usNoSuchDoor */
    {"--replace {1}: no row of the plan has that door", "--replace {1}：计划表中没有任何一行是这个门",
     "--replace {1}：計畫表中沒有任何一列是這個門"},
    /* ltVerdict */ {"verdict: {1}", "判定：{1}", "判定：{1}"},
    /* ltPass */ {"pass", "合格", "合格"},
    /* ltMarginal */ {"marginal", "勉强", "勉強"},
    /* ltFail */ {"fail", "不合格", "不合格"},
    /* ltLossRuledOut */
    {"every one of {1} queries answered: a loss of {2} % or more is ruled out (95 % confidence)",
     "{1} 次查询全部回应：可排除 {2} % 以上的丢失率（95 % 置信度）",
     "{1} 次查詢全部回應：可排除 {2} % 以上的遺失率（95 % 信賴度）"},
    /* cvParityRight */ {"parity right", "校验位正确", "校驗位正確"},
    /* cvParityWrong */ {"parity wrong", "校验位错误", "校驗位錯誤"},
    /* cvWhole */ {"as one number {1}", "整数显示为 {1}", "整數顯示為 {1}"},
    /* cvReversed */ {"bytes reversed", "字节顺序颠倒", "位元組順序顛倒"},
    /* cvSwapped */ {"D0/D1 swapped", "D0/D1 接反", "D0/D1 接反"},
    /* cvMatches */ {"matches {1}", "符合 {1}", "符合 {1}"},
    /* cvMatchesReversed */
    {"matches {1} with the bytes reversed", "符合 {1}（字节顺序颠倒）", "符合 {1}（位元組順序顛倒）"},
    /* cvMatchesSwapped */ {"matches {1} with D0/D1 swapped", "符合 {1}（D0/D1 接反）", "符合 {1}（D0/D1 接反）"},
    /* cvNoMatch */ {"does not match {1}", "不符合 {1}", "不符合 {1}"},
    /* usExpect */
    {"--expect {1}: a card number (decimal, or hexadecimal as 0x1A2B3C or 1A2B3Ch) or facility:number as 077:30211",
     "--expect {1}：卡号（十进位，或十六进位如 0x1A2B3C、1A2B3Ch）或 设施码:卡号 如 077:30211",
     "--expect {1}：卡號（十進位，或十六進位如 0x1A2B3C、1A2B3Ch）或 設施碼:卡號 如 077:30211"},
    /* enListFaulty */
    {"the card list {1}, line {2}: {3}", "卡片清单 {1} 第 {2} 行：{3}", "卡片清單 {1} 第 {2} 列：{3}"},
    /* enNotUtf8 */ {"not UTF-8 text", "不是 UTF-8 文字", "不是 UTF-8 文字"},
    /* enNotList */
    {"not a card list (time, name, hex, decimal, w26_facility, w26_number, w34_facility, w34_number)",
     "不是卡片清单（time, name, hex, decimal, w26_facility, w26_number, w34_facility, w34_number）",
     "不是卡片清單（time, name, hex, decimal, w26_facility, w26_number, w34_facility, w34_number）"},
    /* enBadHex */
    {"'{1}' is not eight hexadecimal digits", "“{1}”不是八位十六进位数字", "「{1}」不是八位十六進位數字"},
    /* enCannotWrite */
    {"cannot write the card list {1}: {2}", "无法写入卡片清单 {1}：{2}", "無法寫入卡片清單 {1}：{2}"},
    /* enIsFolder */ {"is a folder", "是资料夹", "是資料夾"},
    /* enStart */
    {"Present the cards one after another; Ctrl-C ends. New cards go to {1}",
     "请逐张感应卡片；按 Ctrl-C 结束。新卡片写入 {1}", "請逐張感應卡片；按 Ctrl-C 結束。新卡片寫入 {1}"},
    /* enKnown */ {"{1} cards known from {2}", "已从 {2} 读入 {1} 张卡片", "已從 {2} 讀入 {1} 張卡片"},
    /* enAdded */ {"New card {1}: {2}", "新卡片 {1}：{2}", "新卡片 {1}：{2}"},
    /* enSameW26 */
    {"  {1} has the W26 number {2} of {3}: a controller reading 26 bits cannot tell them apart",
     "  {1} 与 {3} 的 W26 号码 {2} 相同：读取 26 位元的控制器无法区分两者",
     "  {1} 與 {3} 的 W26 號碼 {2} 相同：讀取 26 位元的控制器無法區分兩者"},
    /* enAgain */
    {"Presented again: {1} ({2}), not added", "重复感应：{1}（{2}），未加入", "重複感應：{1}（{2}），未加入"},
    /* enNotSaved */
    {"the card {1} was not listed: {2}; enrolment ended", "卡片 {1} 未加入清单：{2}；登录结束",
     "卡片 {1} 未加入清單：{2}；登錄結束"},
    /* enSummary */
    {"{1} new cards, {2} presented again, {3} sharing a W26 number; {4} cards in {5}",
     "新卡片 {1} 张，重复感应 {2} 次，W26 号码相同 {3} 张；{5} 共有 {4} 张卡片",
     "新卡片 {1} 張，重複感應 {2} 次，W26 號碼相同 {3} 張；{5} 共有 {4} 張卡片"},
    /* swCards */ {"Cards", "卡片", "卡片"},
    /* swCardList */ {"Card list:", "卡片清单：", "卡片清單："},
    /* swCardFiles */
    {"Card lists (*.csv);;All files (*)", "卡片清单 (*.csv);;所有档案 (*)", "卡片清單 (*.csv);;所有檔案 (*)"},
    /* swColName */ {"Name", "名称", "名稱"},
    /* swCardCount */ {"{1} cards", "{1} 张卡片", "{1} 張卡片"},
    /* swCardsReady */
    {"Choose the card list and press Start; then present the cards one after another",
     "选择卡片清单并按开始，然后逐张感应卡片", "選擇卡片清單並按開始，然後逐張感應卡片"},
    /* dcPresentCard */
    {"{1}: present a card to the reader (waiting {2} s)", "{1}：请在读卡机上感应一张卡片（等候 {2} 秒）",
     "{1}：請在讀卡機上感應一張卡片（等候 {2} 秒）"},
    /* dcCardRead */ {"card read: {1}", "已读到卡片：{1}", "已讀到卡片：{1}"},
    /* dcCardWiegand */
    {"card not asked for: in Wiegand output mode the reader sends its cards to the controller, not over the "
     "serial line",
     "未要求感应卡片：韦根输出模式下读卡机把卡片送往控制器，不经由串口线路",
     "未要求感應卡片：韋根輸出模式下讀卡機把卡片送往控制器，不經由序列線路"},
    /* dcCardNone */ {"card: none presented within {1} s", "卡片：{1} 秒内没有感应", "卡片：{1} 秒內沒有感應"},
    /* dcCardStopped */ {"card: stopped before one was read", "卡片：读到前已停止", "卡片：讀到前已停止"},
    /* dcCardNoReply */
    {"card: the reader stopped answering while one was awaited", "卡片：等候时读卡机停止回应",
     "卡片：等候時讀卡機停止回應"},
    /* dcLineTesting */
    {"Line test: {1} of {2} queries", "线路测试：{2} 次查询已完成 {1} 次", "線路測試：{2} 次查詢已完成 {1} 次"},
    /* dcLine */
    {"line test: {1}, {2} of {3} answered, p99 {4} ms", "线路测试：{1}，{3} 次回应 {2} 次，第 99 百分位 {4} ms",
     "線路測試：{1}，{3} 次回應 {2} 次，第 99 百分位 {4} ms"},
    /* dcLineNoTime */
    {"line test: {1}, {2} of {3} answered", "线路测试：{1}，{3} 次回应 {2} 次", "線路測試：{1}，{3} 次回應 {2} 次"},
    /* swLineTest */ {"&Line test", "线路测试(&L)", "線路測試(&L)"},
    /* swReadCard */ {"Read a &card", "读取卡片(&C)", "讀取卡片(&C)"},
    /* swQueries */ {" queries", " 次查询", " 次查詢"},
    /* swColChecks */ {"At the door", "现场检查", "現場檢查"},
};

const char* Text(TextId id) {
    if (id < 0 || id >= TextIdCount)
        return "";
    const int language = LanguageIndex >= 0 && LanguageIndex < LanguageCount ? LanguageIndex : LanguageEnglish;
    return MessageTable[id][language];
}

std::string Format(TextId id, std::initializer_list<std::string> values) {
    const std::string pattern = Text(id);
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const std::size_t close = pattern.find('}', i);
        if (pattern[i] == '{' && close != std::string::npos && close > i + 1 && close <= i + 3) {
            const std::string digits = pattern.substr(i + 1, close - i - 1);
            if (digits.find_first_not_of("0123456789") == std::string::npos) {
                const std::size_t index = std::stoul(digits);
                if (index >= 1 && index <= values.size())
                    text += *(values.begin() + (index - 1));
                i = close;
                continue;
            }
        }
        text += pattern[i];
    }
    return text;
}

} // namespace localisation
