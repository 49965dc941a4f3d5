// readerctl's command line: every accepted form gives the values the operations take, help is the help of the
// command asked, and every bad form is refused with a message before anything is opened.

#include "cli/arguments.h"

#include <QStringList>
#include <QTest>

#include <algorithm>
#include <map>
#include <optional>

using namespace cli;

namespace {

std::vector<std::string> Words(const QString& line) {
    std::vector<std::string> words;
    for (const QString& word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        words.push_back(word.toStdString());
    return words;
}

CtlInvocation Accepted(const QString& line) {
    const CtlParse parse = ParseCtlArguments(Words(line));
    if (!parse.invocation)
        qWarning("%s", parse.error.c_str());
    return parse.invocation.value_or(CtlInvocation{});
}

/// The command, every option that differs from its default and the settings: "set port 3 json: id 7, mode 1 1 2".
QString Summary(const CtlInvocation& call) {
    static const char* const commands[] = {"ports", "scan",  "set",      "default", "monitor", "apply",
                                           "diff",  "audit", "linetest", "enrol",   "help",    "version"};
    QStringList list{commands[int(call.command)]};
    const std::pair<std::optional<long long>, const char*> numbers[] = {
        {call.port ? std::optional<long long>(call.port) : std::nullopt, "port"},
        {call.lineIndex, "line"},
        {call.count, "count"},
        {call.language, "language"}};
    for (const auto& [number, name] : numbers) {
        if (number)
            list << QString("%1 %2").arg(name).arg(*number);
    }
    const std::pair<std::string, const char*> files[] = {
        {call.tracePath, "trace"}, {call.recordPath, "record"}, {call.reportPath, "report"},
        {call.planPath, "plan"},   {call.outPath, "out"},       {call.expect ? call.expect->text : "", "expect"}};
    for (const auto& [file, name] : files) {
        if (!file.empty())
            list << QString("%1 %2").arg(name, QString::fromStdString(file));
    }
    const std::pair<bool, const char*> flags[] = {{call.allLines, "all-lines"},
                                                  {call.json, "json"},
                                                  {!call.verify, "no-verify"},
                                                  {call.repeat, "repeat"},
                                                  {call.views, "views"}};
    for (const auto& [set, name] : flags) {
        if (set)
            list << name;
    }
    if (call.namePrefix != "Card ")
        list << QString("name '%1'").arg(QString::fromStdString(call.namePrefix));
    if (call.pin)
        list << QString("pin %1 %2").arg(call.pin->port).arg(QString::fromStdString(call.pin->name)).trimmed();
    QStringList values;
    for (const commission::Value& value : call.settings.inOrder()) {
        const char* name = commission::RowOf(value.setting).name;
        values << (value.setting == commission::Setting::Mode
                       ? QString("mode %1 %2 %3").arg(value.mode).arg(value.wiegand).arg(value.rs485)
                       : QString("%1 %2").arg(name).arg(value.chosen)) +
                      (value.stepping ? "+" : "");
    }
    return list.join(' ') + (values.isEmpty() ? "" : ": " + values.join(", "));
}

/// A row of two texts on one line.
void Row(const char* name, const char* line, const char* expected) {
    QTest::newRow(name) << QString(line) << QString(expected);
}

} // namespace

class TestArguments : public QObject {
    Q_OBJECT

private slots:
    void accepted_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("summary");
        Row("one setting", "set id 7", "set: id 7");
        // Sent in the table's order, the line setting last, whatever the order given.
        Row("five", "set id 07 keys 0 line 4800,N,8,1 mode Wiegand 42 24 parity 1",
            "set: id 7, keys 0, mode 0 2 0, parity 1, line 0");
        Row("line first, by index", "set line 11 mode rs485 34 40 id 99 keys 20",
            "set: id 99, keys 20, mode 1 1 2, line 11");
        Row("mode by index, line by text", "set mode 0 0 1 line 38400,e,8,1", "set: mode 0 0 1, line 7");
        Row("stepping id", "--repeat set keys 4 id 5+", "set repeat: id 5+, keys 4");
        Row("options among settings", "set id 3 --json keys 8 --port 3", "set port 3 json: id 3, keys 8");
        Row("settings after --", "set -- id 7 keys 4", "set: id 7, keys 4");
        Row("settings before and after --", "set id 7 -- keys 4", "set: id 7, keys 4");
        Row("command after --", "--port 2 -- set id 7", "set port 2: id 7");
        Row("option values", "--port 10 --line=5 --trace t.jsonl --language big5 monitor --count 3",
            "monitor port 10 line 5 count 3 language 2 trace t.jsonl");
        Row("before the command", "--count 7 --json monitor", "monitor count 7 json");
        Row("linetest's options", "linetest --count 1000 --port 2", "linetest port 2 count 1000");
        Row("line text, language capitals", "--line 19200,E,8,1 --port 16 --language EN ports",
            "ports port 16 line 5 language 0");
        Row("scan's options", "scan --all-lines --record r.jsonl", "scan record r.jsonl all-lines");
        Row("set's options", "set parity 0 --no-verify --repeat --all-lines",
            "set all-lines no-verify repeat: parity 0");
        Row("default's options", "--record r --repeat default --no-verify", "default record r no-verify repeat");
        Row("a plan", "apply site.csv --record r.csv --report site.html",
            "apply record r.csv report site.html plan site.csv");
        Row("a plan after --", "--all-lines diff -- -site.csv", "diff plan -site.csv all-lines");
        Row("report with --repeat", "--repeat --report s.html set id 3+", "set report s.html repeat: id 3+");
        Row("version", "--version set id 0", "version");
        Row("pin every port", "ports --pin", "ports pin 0");
        Row("pin one, before the command", "--pin com3=usb-Example-if00 ports", "ports pin 3 usb-Example-if00");
        Row("pin one, a path after =", "ports --pin=COM16=/dev/ttyS0", "ports pin 16 /dev/ttyS0");
        Row("monitor's views and a card expected", "monitor -v --expect 077:30211", "monitor expect 077:30211 views");
        Row("a card expected in hexadecimal", "--expect 0x4D7603 monitor --views", "monitor expect 0x4D7603 views");
        Row("enrol's list and names", "enrol --out cards.csv --name Staff_", "enrol out cards.csv name 'Staff_'");
    }
    void accepted() {
        QFETCH(QString, line);
        QTEST(Summary(Accepted(line)), "summary");
    }

    // Help is asked while parsing: it wins over any mistake, and after a command it is that command's.
    void help_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("has");
        QTest::addColumn<QString>("lacks");
        const QString exit = "Exit status: 0 done, 1 the reader was not found or the operation failed, 2 usage error.";
        QTest::newRow("readerctl") << "--help" << QStringList{"Commands:", "  monitor ", "--count N", exit}
                                   << "Settings";
        QTest::newRow("before a command") << "--port 99 -h set" << QStringList{"Commands:"} << "Settings";
        QTest::newRow("set") << "set id 0 --help"
                             << QStringList{"readerctl [OPTIONS] set SETTING VALUE...", "id N | N+", "parity 0|1",
                                            "--repeat", exit}
                             << "--count";
        QTest::newRow("monitor") << "monitor -h" << QStringList{"readerctl [OPTIONS] monitor", "--count N"}
                                 << "--repeat";
    }
    void help() {
        QFETCH(QString, line);
        QFETCH(QStringList, has);
        QFETCH(QString, lacks);
        const CtlInvocation call = Accepted(line);
        QCOMPARE(int(call.command), int(CtlCommand::Help));
        const QString text = QString::fromStdString(call.help);
        for (const QString& part : has)
            QVERIFY2(text.contains(part), qPrintable(part + " in\n" + text));
        QVERIFY2(!text.contains(lacks), qPrintable(text));
    }

    void refused_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("says");
        Row("nothing", "", "no command given");
        Row("only --", "--json --", "no command given");
        Row("unknown command", "reset", "unknown command 'reset'");
        Row("an option after --", "-- --json scan", "unknown command '--json'");
        Row("unknown option", "--fast scan", "unknown option '--fast'");
        Row("unknown short option", "set -x", "unknown option '-x'");
        Row("id 0", "set id 0", "id 0: 1 to 99");
        Row("id 100", "set id 100", "id 100: 1 to 99");
        Row("id negative", "set id -5", "id -5: 1 to 99");
        Row("id letters", "set id 0x7", "id 0x7: 1 to 99");
        Row("keys negative", "set keys -1", "keys -1: 0 to 20");
        Row("keys negative after --", "set -- keys -1", "keys -1: 0 to 20");
        Row("keys 21", "set keys 21", "keys 21: 0 to 20");
        Row("no option after --", "set -- keys --json", "keys --json: 0 to 20");
        Row("line 12", "set line 12", "line 12: an index 0 to 11 or a setting such as 19200,e,8,1");
        Row("line odd parity", "set line 19200,o,8,1", "line 19200,o,8,1: an index 0 to 11");
        Row("mode values short", "set mode rs485 26", "set mode needs three values");
        Row("mode bad", "set mode serial 26 24", "mode serial: wiegand or rs485 (0 or 1)");
        Row("mode index 2", "set mode 2 0 0", "mode 2: wiegand or rs485");
        Row("wiegand 32", "set mode wiegand 32 32", "Wiegand length 32: 26, 34 or 42");
        Row("rs485 26", "set mode rs485 26 26", "RS485 length 26: 24, 32 or 40");
        Row("parity 2", "set parity 2", "parity 2: 0 or 1");
        Row("set nothing", "set", "set needs a setting");
        Row("set unknown", "set baud 5", "unknown setting 'baud'");
        Row("a command among settings", "set id 7 scan", "unknown setting 'scan'");
        Row("value missing", "set keys 4 id", "set id needs a value");
        Row("setting twice", "set id 1 keys 2 id 3", "set id is given twice");
        Row("stepping without --repeat", "set id 5+", "id 5+: N+ goes with --repeat");
        Row("stepping from 0", "--repeat set id 0+", "id 0+: 1 to 99");
        Row("extra word", "scan now", "scan takes no arguments; 'now' is one too many");
        Row("extra word after --", "monitor -- now", "monitor takes no arguments");
        Row("no option after -- either", "monitor -- --json", "monitor takes no arguments; '--json' is one too many");
        Row("no option after a plan and --", "audit p.csv -- --json", "audit takes one plan; '--json' is one too many");
        Row("port 0", "--port 0 scan", "--port 0: 1 to 16");
        Row("port 17", "--port 17 scan", "--port 17: 1 to 16");
        Row("port missing value", "scan --port", "--port needs a value");
        Row("trace empty", "--trace= scan", "--trace needs a file name");
        Row("line without port", "--line 5 scan", "--line goes with --port");
        Row("all-lines with port", "--all-lines --port 2 scan", "cannot go with --port");
        Row("all-lines with monitor", "--all-lines monitor", "--all-lines goes with scan, set, default and diff");
        Row("count with scan", "--count 2 scan", "--count goes with monitor and linetest");
        Row("count zero", "--count 0 monitor", "--count 0: 1 or more");
        Row("count negative", "monitor --count -1", "--count -1: 1 or more");
        Row("no-verify with scan", "scan --no-verify", "--no-verify goes with set, default and apply");
        Row("repeat with monitor", "--repeat monitor", "--repeat goes with set and default");
        Row("record with ports", "ports --record r", "--record goes with scan, set, default, apply and audit");
        Row("language fr", "--language fr scan", "--language fr: en, gb or big5");
        Row("language index", "--language 1 scan", "--language 1: en, gb or big5");
        Row("flag with value", "--json=1 scan", "--json takes no value");
        Row("an option twice", "--port 3 scan --port=4", "--port is given twice");
        Row("a flag twice", "--json scan --json", "--json is given twice");
        Row("no plan", "apply", "apply needs a plan file");
        Row("two plans", "audit a.csv b.csv", "audit takes one plan; 'b.csv' is one too many");
        Row("report without a site", "set id 3 --report s.html", "--report goes with apply, audit, --repeat");
        Row("verify with audit", "audit p.csv --no-verify", "--no-verify goes with set, default and apply");
        Row("pin with scan", "scan --pin", "--pin goes with ports");
        Row("pin COM17", "ports --pin COM17=x", "--pin COM17=x: COM<N>=NAME, N 1 to 16");
        Row("pin without a name", "ports --pin COM3=", "--pin COM3=: COM<N>=NAME");
        Row("pin empty", "ports --pin=", "--pin needs COM<N>=NAME after it");
        Row("facility over 16 bits", "monitor --expect 65536:1", "--expect 65536:1: a card number");
        Row("a card number over 32 bits", "monitor --expect 4294967296", "--expect 4294967296: a card number");
        Row("not a card", "monitor --expect 12G", "--expect 12G: a card number");
        Row("expect with enrol", "enrol --out c.csv --expect 1", "--expect goes with monitor");
        Row("views with linetest", "-v linetest", "--views goes with monitor");
        Row("enrol without its list", "enrol --name Staff", "enrol --out needs a file name");
        Row("out with monitor", "monitor --out c.csv", "--out goes with enrol");
        // A command's name where a value was due: readerctl's own options take it as their value, a command's
        // option goes without one.
        Row("port takes the command", "--port scan", "--port scan: 1 to 16");
        Row("line takes the command", "--line monitor", "--line monitor: an index 0 to 11");
        Row("language takes the command", "--language scan", "--language scan: en, gb or big5");
        Row("count before its command", "--count monitor", "--count needs a value");
        Row("expect before its command", "--expect monitor", "--expect needs a value");
        Row("a value and no command", "--record r.csv", "no command given");
        Row("a command's option alone", "--record", "--record needs a value");
        Row("an option whose value may be left out, alone", "--pin", "no command given");
        Row("a word before the command", "--json now scan", "unknown command 'now'");
        Row("line without port, nor a command", "--line 3", "--line goes with --port");
        Row("a plan missing after --", "-- apply", "apply needs a plan file");
    }
    void refused() {
        QFETCH(QString, line);
        QFETCH(QString, says);
        const CtlParse parse = ParseCtlArguments(Words(line));
        QVERIFY(!parse.invocation);
        QVERIFY2(QString::fromStdString(parse.error).contains(says), parse.error.c_str());
    }

    // Each option against each command, from the commands' own rows: one a command takes stands before it or
    // after it alike; one it does not take is refused, naming the commands that take it.
    void placement_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("refusal");
        const std::map<std::string, QString> values = {
            {"--port", " 3"},      {"--line", " 5 --port 3"}, {"--count", " 5"},    {"--trace", " t.jsonl"},
            {"--language", " gb"}, {"--record", " r.csv"},    {"--replace", " D1"}, {"--expect", " 7"},
            {"--out", " c.csv"},   {"--name", " Staff_"},     {"--pin", " COM3=x"}, {"--linetest", " 5"}};
        const std::map<std::string, QString> arguments = {
            {"set", " id 7"}, {"apply", " p.csv"}, {"diff", " p.csv"}, {"audit", " p.csv"}, {"enrol", " --out c.csv"}};
        for (const std::string& command : CommandNames()) {
            const std::vector<std::string> taken = OptionNamesOf(command);
            for (const std::string& option : OptionNamesOf("")) {
                // --report's pairing with --repeat, and help and version, have rows of their own.
                if (option == "--report" || option == "--help" || option == "--version" ||
                    (option == "--out" && command == "enrol"))
                    continue;
                const QString given = QString::fromStdString(option) + (values.count(option) ? values.at(option) : "");
                const QString line =
                    QString::fromStdString(command) + (arguments.count(command) ? arguments.at(command) : QString());
                const bool takes = std::find(taken.begin(), taken.end(), option) != taken.end();
                QTest::addRow("%s %s", command.c_str(), option.c_str())
                    << given + " " + line << line + " " + given
                    << (takes ? QString() : QString::fromStdString(option) + " goes with ");
            }
        }
    }
    void placement() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, refusal);
        for (const QString& line : {before, after}) {
            const CtlParse parse = ParseCtlArguments(Words(line));
            if (refusal.isEmpty()) {
                QVERIFY2(parse.invocation, qPrintable(line + ": " + QString::fromStdString(parse.error)));
                QCOMPARE(Summary(*parse.invocation), Summary(Accepted(before)));
            } else {
                QVERIFY2(!parse.invocation, qPrintable(line));
                QVERIFY2(QString::fromStdString(parse.error).startsWith(refusal), parse.error.c_str());
            }
        }
    }

    // Options that cannot go together, or one without the option it needs, on every command that takes them.
    void exclusive_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("says");
        for (const std::string& command : CommandNames()) {
            const std::vector<std::string> taken = OptionNamesOf(command);
            const auto takes = [&](const char* option) {
                return std::find(taken.begin(), taken.end(), option) != taken.end();
            };
            const QString line = QString::fromStdString(command) + (command == "enrol" ? " --out c.csv" : "") +
                                 (command == "set" ? " id 7" : "") +
                                 (command == "apply" || command == "diff" || command == "audit" ? " p.csv" : "");
            QTest::addRow("%s --line", command.c_str()) << "--line 5 " + line << "--line goes with --port";
            if (takes("--all-lines"))
                QTest::addRow("%s --all-lines --port", command.c_str())
                    << line + " --all-lines --port 2"
                    << "--all-lines searches every port; it cannot go with --port";
            if (takes("--report") && takes("--repeat"))
                QTest::addRow("%s --report", command.c_str()) << line + " --report s.html"
                                                              << "--report goes with apply, audit, --repeat";
        }
    }
    void exclusive() {
        QFETCH(QString, line);
        QFETCH(QString, says);
        const CtlParse parse = ParseCtlArguments(Words(line));
        QVERIFY(!parse.invocation);
        QCOMPARE(QString::fromStdString(parse.error), says);
    }
};

QTEST_APPLESS_MAIN(TestArguments)
#include "tst_arguments.moc"
