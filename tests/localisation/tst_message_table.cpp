#include "localisation/captions.h"
#include "localisation/language.h"
#include "localisation/message_table.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <iterator>
#include <vector>

using namespace localisation;

namespace {

struct ExpectedRow {
    const char* name;
    TextId id;
    const char* texts[LanguageCount];
};

// Written out from the table the window must show, character for character.
const ExpectedRow Expected[] = {
    {"txCompany",
     txCompany,
     {"VELNO Technology Corp.   www.velno.com.tw", "VELNO股份有限公司   www.velno.com.tw",
      "VELNO股份有限公司   www.velno.com.tw"}},
    {"txTitle",
     txTitle,
     {"VELNO QUVIN4 Reader Config V3.20-01", "VELNO QUVIN4 按键读卡机设定程式 V3.20-01",
      "VELNO QUVIN4 按鍵讀卡機設定程式 V3.20-01"}},
    {"txScanFirst", txScanFirst, {"Start Scan Reader!", "请先扫描读卡机!", "請先掃描讀卡機!"}},
    {"txCancelReadCard", txCancelReadCard, {"Cancel Read Card", "取消读卡", "取消讀卡"}},
    {"txIdLabel", txIdLabel, {"ID", "编号", "編號"}},
    {"txBaudRateLabel", txBaudRateLabel, {"BaudRate", "通讯速度", "通訊速度"}},
    {"txSetBaudRateButton",
     txSetBaudRateButton,
     {"Set Reader Baud Rate (Reset)", "设定通讯速度(重置)", "設定通訊速度(重置)"}},
    {"txSetModeButton",
     txSetModeButton,
     {"Set Reader Wiegand/RS485 Mode", "设定 Wiegand/RS485 模式", "設定 Wiegand/RS485 模式"}},
    {"txReadCardButton",
     txReadCardButton,
     {"Read Card (Change to RS485 Mode)", "读取卡片(自动设定为RS485模式)", "讀取卡片(自動設定為RS485模式)"}},
    {"txFactoryDefault", txFactoryDefault, {"Factory Default", "出厂预设", "出廠預設"}},
    {"txQuickSetting", txQuickSetting, {"Quick Setting", "快速设定", "快速設定"}},
    {"txDefault", txDefault, {"Default", "预设", "預設"}},
    {"txExit", txExit, {"Exit", "结束", "結束"}},
    {"txKeyNum", txKeyNum, {"Key Num", "键数", "鍵數"}},
    {"txCardId", txCardId, {"Card ID", "卡片ID", "卡片ID"}},
    {"txOpenCom", txOpenCom, {"Open COM", "开启串口", "開啟串口"}},
    {"txError", txError, {"Error", "错误", "錯誤"}},
    {"txScanReader", txScanReader, {"Scan Reader", "扫描读卡机", "掃描讀卡機"}},
    {"txSerialNo", txSerialNo, {"S/N", "序号", "序號"}},
    {"txVersion", txVersion, {"VER", "版本", "版本"}},
    {"txScanCom", txScanCom, {"Scan COM", "扫描串口", "掃描串口"}},
    {"txInfoOk", txInfoOk, {"Get Reader Info Ok. (COM", "读取读卡机资讯完成. (串口", "讀取讀卡機資訊完成. (串口"}},
    {"txInfoError",
     txInfoError,
     {"Get Reader Info Error. (COM", "读取读卡机资讯错误. (串口", "讀取讀卡機資訊錯誤. (串口"}},
    {"txReaderNotFound", txReaderNotFound, {"Reader Not Find", "读卡机没有连线", "讀卡機沒有連線"}},
    {"txSetId", txSetId, {"Set Reader ID", "设定读卡机编号", "設定讀卡機編號"}},
    {"txSetIdOk", txSetIdOk, {"Set Reader ID Ok", "设定读卡机编号完成", "設定讀卡機編號完成"}},
    {"txSetIdError", txSetIdError, {"Set Reader ID Error", "设定读卡机编号错误", "設定讀卡機編號錯誤"}},
    {"txSetBaud", txSetBaud, {"Set Reader BaudRate", "设定读卡机通讯速度", "設定讀卡機通訊速度"}},
    {"txSetBaudOk", txSetBaudOk, {"Set Reader BaudRate Ok", "设定读卡机通讯速度完成", "設定讀卡機通訊速度完成"}},
    {"txSetBaudError",
     txSetBaudError,
     {"Set Reader BaudRate Error", "设定读卡机通讯速度错误", "設定讀卡機通訊速度錯誤"}},
    {"txSetMode", txSetMode, {"Set Reader Mode", "设定读卡机模式", "設定讀卡機模式"}},
    {"txSetModeOk", txSetModeOk, {"Set Reader Mode Ok", "设定读卡机模式完成", "設定讀卡機模式完成"}},
    {"txSetModeError", txSetModeError, {"Set Reader Mode Error", "设定读卡机模式错误", "設定讀卡機模式錯誤"}},
    {"txSetParity", txSetParity, {"Set Parity Mode", "设定同位元模式", "設定同位元模式"}},
    {"txSetParityOk", txSetParityOk, {"Set Parity Mode Ok", "设定同位元模式完成", "設定同位元模式完成"}},
    {"txSetParityError", txSetParityError, {"Set Parity Mode Error", "设定同位元模式错误", "設定同位元模式錯誤"}},
    {"txSetKey", txSetKey, {"Set Reader Key", "设定读卡机按键数", "設定讀卡機按鍵數"}},
    {"txSetKeyOk", txSetKeyOk, {"Set Reader Key Ok", "设定读卡机按键数完成", "設定讀卡機按鍵數完成"}},
    {"txSetKeyError", txSetKeyError, {"Set Reader Key Error", "设定读卡机按键数错误", "設定讀卡機按鍵數錯誤"}},
    {"txSetDefaultWiegand", txSetDefaultWiegand, {"Set Default Wiegand", "设定预设Wiegand模式", "設定預設Wiegand模式"}},
    {"txSetDefaultW26Ok",
     txSetDefaultW26Ok,
     {"Set Default Wiegand 26 Ok", "设定预设Wiegand 26 模式完成", "設定預設Wiegand 26 模式完成"}},
    {"txSetDefaultW26Error",
     txSetDefaultW26Error,
     {"Set Default Wiegand 26 Error", "设定预设Wiegand 26 模式错误", "設定預設Wiegand 26 模式錯誤"}},
};

const char* const LanguageLabel[LanguageCount] = {"English", "Simplified", "Traditional"};

/// True when every character of `utf8` has a code in `charset`.
bool Encodable(const char* utf8, const char* charset) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::size_t inLeft = std::strlen(utf8);
    char* in = const_cast<char*>(utf8);
    char buffer[512];
    bool ok = true;
    while (inLeft > 0 && ok) {
        char* out = buffer;
        std::size_t outLeft = sizeof(buffer);
        if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
            ok = errno == E2BIG;
    }
    iconv_close(cd);
    return ok;
}

} // namespace

class TestMessageTable : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SelectLanguage(LanguageEnglish); }

    void everyRowFilled() {
        // The window's rows are written out below; the rows after them are readerctl's and the commissioning's.
        QCOMPARE(int(std::size(Expected)), int(txSetDefaultW26Error) + 1);
        for (int id = 0; id < int(std::size(Expected)); ++id)
            QCOMPARE(int(Expected[id].id), id); // the expected rows follow the TextId order
        for (int id = 0; id < TextIdCount; ++id) {
            for (int language = 0; language < LanguageCount; ++language) {
                const char* text = MessageTable[id][language];
                QVERIFY2(text && *text, qPrintable(QStringLiteral("row %1, %2").arg(id).arg(LanguageLabel[language])));
            }
        }
    }

    void texts_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("language");
        QTest::addColumn<QByteArray>("expected");
        for (const ExpectedRow& row : Expected) {
            for (int language = 0; language < LanguageCount; ++language)
                QTest::addRow("%s/%s", row.name, LanguageLabel[language])
                    << int(row.id) << language << QByteArray(row.texts[language]);
        }
    }

    // Text() looks the row up in whatever language is current at the moment of the call.
    void texts() {
        QFETCH(int, id);
        QFETCH(int, language);
        QFETCH(QByteArray, expected);
        SelectLanguage(language);
        QCOMPARE(QByteArray(Text(TextId(id))), expected);
        QCOMPARE(QByteArray(MessageTable[id][language]), expected);
    }

    void encodable_data() {
        QTest::addColumn<int>("id");
        for (int id = 0; id < TextIdCount; ++id)
            QTest::addRow("%d %s", id, MessageTable[id][LanguageEnglish]) << id;
    }

    // English must be plain ASCII; a Simplified character slipped into a Traditional text (or the reverse)
    // shows as a missing code in the other encoding.
    void encodable() {
        QFETCH(int, id);
        for (const char byte : QByteArray(MessageTable[id][LanguageEnglish])) {
            const auto c = static_cast<unsigned char>(byte);
            QVERIFY2(c >= 0x20 && c < 0x7f, MessageTable[id][LanguageEnglish]);
        }
        QVERIFY2(Encodable(MessageTable[id][LanguageSimplified], "GB2312"), MessageTable[id][LanguageSimplified]);
        QVERIFY2(Encodable(MessageTable[id][LanguageTraditional], "BIG5"), MessageTable[id][LanguageTraditional]);
    }

    // A translation that drops or adds a {n} loses a value or shows a brace.
    void samePlacesInEveryLanguage() {
        const auto places = [](const char* text) {
            QByteArrayList list;
            for (const char* at = std::strchr(text, '{'); at; at = std::strchr(at + 1, '{'))
                list << QByteArray(at, 3);
            std::sort(list.begin(), list.end());
            return list;
        };
        for (int id = 0; id < TextIdCount; ++id) {
            for (int language = 1; language < LanguageCount; ++language)
                QVERIFY2(places(MessageTable[id][language]) == places(MessageTable[id][LanguageEnglish]),
                         MessageTable[id][language]);
        }
    }

    // A plan's and a record's rows are 行 and their columns 列 in Simplified Chinese; in Traditional Chinese rows
    // are 列 and columns 欄. A row that mixes them up reads as the other on a user's screen.
    void rowsAndColumns() {
        const QRegularExpression rows(QStringLiteral("\\brows?\\b|(?<!-)\\bline \\{|\\bon line\\b"));
        const QRegularExpression columns(QStringLiteral("\\bcolumns?\\b"));
        for (int id = 0; id < TextIdCount; ++id) {
            const QString english = QString::fromUtf8(MessageTable[id][LanguageEnglish]);
            const QString simplified = QString::fromUtf8(MessageTable[id][LanguageSimplified]);
            const QString traditional = QString::fromUtf8(MessageTable[id][LanguageTraditional]);
            const bool namesColumns = english.contains(columns);
            if (english.contains(rows)) {
                QVERIFY2(simplified.contains(u'行'), qPrintable(simplified));
                QVERIFY2(traditional.contains(u'列'), qPrintable(traditional));
            }
            QVERIFY2(simplified.contains(u'列') == namesColumns, qPrintable(simplified));
            QVERIFY2(traditional.contains(u'欄') == namesColumns, qPrintable(traditional));
        }
    }

    void format_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("id");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("text");
        QTest::newRow("two values") << 0 << int(ctNoReply) << QStringList{"COM3", "19200,e,8,1"}
                                    << "no reply from COM3 at 19200,e,8,1";
        QTest::newRow("in another order")
            << 1 << int(cmNotSaved) << QStringList{"38400,e,8,1", "COM3"}
            << QString::fromUtf8("读卡机现在在 COM3 以 38400,e,8,1 回应，但无法记住此设定");
        QTest::newRow("a value missing stays empty")
            << 0 << int(ctNoReply) << QStringList{"COM3"} << "no reply from COM3 at ";
        QTest::newRow("braces in a value are not places")
            << 2 << int(ctPortBusy) << QStringList{"{1}"} << QString::fromUtf8("{1} 正被其他程式使用");
    }
    void format() {
        QFETCH(int, language);
        QFETCH(int, id);
        QFETCH(QStringList, values);
        SelectLanguage(language);
        std::vector<std::string> list;
        for (const QString& value : values)
            list.push_back(value.toStdString());
        std::string text;
        switch (list.size()) {
        case 1:
            text = Format(TextId(id), {list[0]});
            break;
        default:
            text = Format(TextId(id), {list[0], list[1]});
        }
        QTEST(QString::fromStdString(text), "text");
    }

    void encodableChecksItsCharset() {
        // Guards the check above against an iconv that accepts everything.
        QVERIFY(Encodable("设定", "GB2312"));
        QVERIFY(!Encodable("設定", "GB2312"));
        QVERIFY(Encodable("設定", "BIG5"));
        QVERIFY(!Encodable("设定", "BIG5"));
    }

    void captionList_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<QByteArray>("suffix");
        struct Step {
            const char* control;
            TextId id;
            const char* prefix;
            const char* suffix;
        };
        const Step steps[] = {
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
        QCOMPARE(int(std::size(steps)), CaptionCount);
        for (int i = 0; i < CaptionCount; ++i)
            QTest::addRow("%d %s", i + 1, steps[i].control)
                << i + 1 << QByteArray(steps[i].control) << int(steps[i].id) << QByteArray(steps[i].prefix)
                << QByteArray(steps[i].suffix);
    }

    void captionList() {
        QFETCH(int, step);
        QFETCH(QByteArray, control);
        QFETCH(int, id);
        QFETCH(QByteArray, prefix);
        QFETCH(QByteArray, suffix);
        const CaptionEntry& entry = CaptionList[step - 1];
        QCOMPARE(QByteArray(entry.control), control);
        QCOMPARE(int(entry.text), id);
        for (int language = 0; language < LanguageCount; ++language) {
            SelectLanguage(language);
            QCOMPARE(QByteArray::fromStdString(CaptionText(entry)), prefix + Expected[id].texts[language] + suffix);
        }
    }

    void languageIndexOf_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("index");
        QTest::newRow("English") << QByteArray("English") << LanguageEnglish;
        QTest::newRow("ChineseGB") << QByteArray("ChineseGB") << LanguageSimplified;
        QTest::newRow("ChineseBIG5") << QByteArray("ChineseBIG5") << LanguageTraditional;
        QTest::newRow("small letters") << QByteArray("chinesegb") << LanguageEnglish;
        QTest::newRow("capitals") << QByteArray("CHINESEBIG5") << LanguageEnglish;
        QTest::newRow("mixed case") << QByteArray("ChineseBig5") << LanguageEnglish;
        QTest::newRow("trailing blank") << QByteArray("ChineseGB ") << LanguageEnglish;
        QTest::newRow("leading blank") << QByteArray(" ChineseBIG5") << LanguageEnglish;
        QTest::newRow("prefix only") << QByteArray("Chinese") << LanguageEnglish;
        QTest::newRow("empty") << QByteArray("") << LanguageEnglish;
        QTest::newRow("unknown") << QByteArray("Deutsch") << LanguageEnglish;
    }

    void languageIndexOf() {
        QFETCH(QByteArray, name);
        QFETCH(int, index);
        QCOMPARE(LanguageIndexOf(name.toStdString()), index);
    }

    void selectLanguage_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expectedIndex");
        QTest::addColumn<QByteArray>("expectedName");
        QTest::newRow("English") << 0 << 0 << QByteArray("English");
        QTest::newRow("Simplified") << 1 << 1 << QByteArray("ChineseGB");
        QTest::newRow("Traditional") << 2 << 2 << QByteArray("ChineseBIG5");
        QTest::newRow("below") << -1 << 0 << QByteArray("English");
        QTest::newRow("above") << 3 << 0 << QByteArray("English");
    }

    // The pair always belongs together, and the saved name leads back to the same index at the next start.
    void selectLanguage() {
        QFETCH(int, index);
        QFETCH(int, expectedIndex);
        QFETCH(QByteArray, expectedName);
        SelectLanguage(LanguageTraditional == index ? LanguageSimplified : LanguageTraditional);
        SelectLanguage(index);
        QCOMPARE(LanguageIndex, expectedIndex);
        QCOMPARE(QByteArray::fromStdString(LanguageName), expectedName);
        QCOMPARE(QByteArray(LanguageNameOf(index)), expectedName);
        QCOMPARE(LanguageIndexOf(LanguageName), expectedIndex);
    }
};

QTEST_APPLESS_MAIN(TestMessageTable)
#include "tst_message_table.moc"
