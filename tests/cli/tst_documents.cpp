// The bash completion and the man page against the tables they describe: every command, each command's options
// and every setting, so that a row added to a table and forgotten in a hand-kept file fails here.

#include "cli/arguments.h"
#include "commission/settings_table.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <algorithm>

using namespace cli;

namespace {

QStringList Sorted(QStringList list) {
    list.removeDuplicates();
    list.sort();
    return list;
}

QStringList Strings(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names)
        list << QString::fromStdString(name);
    return Sorted(list);
}

/// What the completion offers after `line` (the last word being completed).
QStringList Complete(const QString& line) {
    QStringList words = line.split(' ');
    const QString script = QStringLiteral("source '%1'; COMP_WORDS=(%2); COMP_CWORD=%3; _readerctl; "
                                          "printf '%s\\n' \"${COMPREPLY[@]}\"")
                               .arg(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../cli/readerctl.bash"),
                                    "'" + words.join("' '") + "'", QString::number(words.size() - 1));
    QProcess bash;
    bash.start("bash", {"-c", script});
    bash.waitForFinished();
    return Sorted(QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts));
}

QString ManPage() {
    QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../cli/readerctl.1"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestDocuments : public QObject {
    Q_OBJECT

private slots:
    void completion_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("offered");
        QTest::newRow("commands, and every option before one")
            << "readerctl " << Sorted(Strings(CommandNames()) + Strings(OptionNamesOf("")));
        QStringList settings;
        for (const commission::SettingRow& row : commission::SettingTable)
            settings << row.name;
        QTest::newRow("settings") << "readerctl set " << Sorted(settings);
        // After each setting's words the next setting: the script counts each setting's words as the table does.
        for (const commission::SettingRow& row : commission::SettingTable) {
            QStringList others = settings;
            others.removeOne(row.name);
            QTest::addRow("after %s's value", row.name)
                << QString("readerctl set %1 %2").arg(row.name, QString("x ").repeated(row.words)) << Sorted(others);
        }
        for (const std::string& command : CommandNames()) {
            QTest::addRow("%s's options", command.c_str())
                << QString("readerctl %1 --").arg(QString::fromStdString(command)) << Strings(OptionNamesOf(command));
        }
    }
    void completion() {
        QFETCH(QString, line);
        QTEST(Complete(line), "offered");
    }

    void manPage() {
        const QString page = ManPage();
        QVERIFY(!page.isEmpty());
        for (const std::string& command : CommandNames())
            QVERIFY2(page.contains(QRegularExpression("\\n\\.BI? \"?" + QString::fromStdString(command) + "\\b")),
                     command.c_str());
        for (const commission::SettingRow& row : commission::SettingTable)
            QVERIFY2(page.contains(QString(".BI \"%1 ").arg(row.name)), row.name);
        for (const std::string& option : OptionNamesOf(""))
            QVERIFY2(page.contains(QString::fromStdString(option).replace("-", "\\-")), option.c_str());
    }
};

QTEST_APPLESS_MAIN(TestDocuments)
#include "tst_documents.moc"
