#include "site_window.h"

#include "console/site_cards.h"

#include "commission/card_views.h"
#include "commission/codes.h"
#include "commission/line_test.h"
#include "commission/report.h"
#include "console/chrome.h"
#include "console/fonts.h"
#include "console/program.h"
#include "console/shape.h"
#include "localisation/language.h"
#include "localisation/message_table.h"
#include "protocol/protocol.h"
#include "settings/settings.h"
#include "ui_site_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTime>
#include <QTimer>

#include <utility>

Q_DECLARE_METATYPE(commission::Reason)
Q_DECLARE_METATYPE(commission::DoorChecks)

namespace console {

using commission::Code;
using commission::Setting;
using commission::SiteKind;
using localisation::Format;
using localisation::TextId;

namespace {

/// The row of a reader that failed, and a value that is not what its row asked for.
const QColor FailedBackground{255, 205, 205};
const QColor DriftBackground{255, 228, 170};
/// The plan's faults the status lists; it counts the rest.
constexpr qsizetype ShownFaults = 5;
/// A door name wider than this many average letters wraps, so that the outcome keeps its room.
constexpr int DoorLetters = 24;

struct Caption {
    const char* control;
    TextId text;
};

constexpr Caption Captions[] = {
    {"frmSite", localisation::swTitle},        {"gbSettings", localisation::swSettings},
    {"lblPlan", localisation::swPlan},         {"btnPlan", localisation::swChoose},
    {"rbApply", localisation::swApply},        {"rbAudit", localisation::swAudit},
    {"lblRecord", localisation::swRecord},     {"btnRecord", localisation::swChoose},
    {"lblReport", localisation::swReport},     {"btnReport", localisation::swChoose},
    {"btnStart", localisation::swStart},       {"btnStop", localisation::swStop},
    {"btnExit", localisation::swExit},         {"pnVELNO", localisation::txCompany},
    {"btnCards", localisation::swCards},       {"chkLineTest", localisation::swLineTest},
    {"chkReadCard", localisation::swReadCard},
};

/// The table's headings: the settings' own between the reader's and the outcome's.
std::vector<TextId> Headers() {
    std::vector<TextId> headers{localisation::swColDoor, localisation::txSerialNo, localisation::txVersion};
    for (const commission::SettingRow& row : commission::SettingTable)
        headers.push_back(row.heading);
    headers.insert(headers.end(), {localisation::swColOutcome, localisation::swColTime});
    return headers;
}

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

QString FromReader(const std::optional<std::string>& field) {
    return field ? Utf8(protocol::Latin1ToUtf8(*field)) : QString();
}

QString F(TextId id, std::initializer_list<std::string> values) {
    return Utf8(Format(id, values));
}

/// What was checked at the door, a line each: "line test: pass, 20 of 20 answered, p99 12 ms", "card read: 077:30211".
QStringList CheckLines(const commission::DoorChecks& checks) {
    QStringList lines;
    if (const std::optional<commission::LineFigures>& line = checks.line) {
        const TextId verdict = line->verdict == commission::LineVerdict::Pass       ? localisation::ltPass
                               : line->verdict == commission::LineVerdict::Marginal ? localisation::ltMarginal
                                                                                    : localisation::ltFail;
        const std::string answered = std::to_string(line->answered), sent = std::to_string(line->sent);
        lines << (line->p99
                      ? F(localisation::dcLine, {Tr(verdict).toStdString(), answered, sent, std::to_string(*line->p99)})
                      : F(localisation::dcLineNoTime, {Tr(verdict).toStdString(), answered, sent}));
    }
    if (const std::optional<commission::DoorCard>& card = checks.card) {
        switch (card->state) {
        case commission::CardState::Read:
            lines << F(localisation::dcCardRead, {commission::PairText(commission::ViewsOf(card->value).w26) + " (" +
                                                  commission::HexText(card->value) + ")"});
            break;
        case commission::CardState::WiegandMode:
            lines << Tr(localisation::dcCardWiegand);
            break;
        case commission::CardState::NoCard:
            lines << F(localisation::dcCardNone, {std::to_string(commission::CardWaitMs / 1000)});
            break;
        case commission::CardState::Stopped:
            lines << Tr(localisation::dcCardStopped);
            break;
        case commission::CardState::NoReply:
            lines << Tr(localisation::dcCardNoReply);
            break;
        }
    }
    return lines;
}

/// A caption without its keyboard mark, for a dialog's title.
QString Plain(TextId id) {
    const QRegularExpression mark(QStringLiteral("\\(&.\\)|&|[:\uff1a]$"));
    return Tr(id).remove(mark);
}

/// A value as the reader reports it, as a person reads it: the mode in force first, the other length after.
QString ValueText(Setting setting, const std::string& value) {
    const std::optional<std::string> words = commission::RowOf(setting).inWords(value, commission::Wording::Window);
    return Utf8(words ? *words : protocol::Latin1ToUtf8(value));
}

/// The settings group's controls of `row`: its check box, and the controls of its value in the order of its words.
template <typename Control> QList<Control*> ControlsOf(const QWidget& group, const commission::SettingRow& row) {
    QList<Control*> controls;
    for (Control* control : group.findChildren<Control*>()) {
        if (control->property("setting").toString() == QLatin1String(row.name))
            controls.push_back(control);
    }
    return controls;
}

/// The controls of `row`'s value, in the order of its words.
QList<QWidget*> ValueControlsOf(const QWidget& group, const commission::SettingRow& row) {
    QList<QWidget*> controls = ControlsOf<QWidget>(group, row);
    controls.removeIf([](const QWidget* control) { return qobject_cast<const QCheckBox*>(control); });
    return controls;
}

TfrmSite::Wanted Asked(const commission::Request& request) {
    TfrmSite::Wanted asked{};
    for (const commission::Value& value : request.inOrder())
        asked[commission::IndexOf(value.setting)] = commission::ReaderText(value);
    return asked;
}

/// The door column as wide as its names, up to DoorLetters: a longer name wraps.
void FitDoorColumn(QTableWidget& table) {
    table.resizeColumnToContents(TfrmSite::ColDoor);
    table.setColumnWidth(TfrmSite::ColDoor, std::min(table.columnWidth(TfrmSite::ColDoor),
                                                     table.fontMetrics().averageCharWidth() * DoorLetters));
}

/// When a plan file was last written; a file that cannot be read has none.
QDateTime Stamp(const QString& path) {
    return path.isEmpty() ? QDateTime() : QFileInfo(path).lastModified();
}

} // namespace

QString DefaultRecordPath(const QString& planPath) {
    if (planPath.isEmpty())
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
               QStringLiteral("/readerconfig-site-record.csv");
    const QFileInfo plan(planPath);
    return plan.dir().filePath(plan.completeBaseName() + QStringLiteral("-record.csv"));
}

TfrmSite::TfrmSite(platform::SettingsStore& store, readerlink::LinkSetup& links, const SiteFiles& files,
                   QWidget* parent)
    : QDialog(parent), ui(new Ui::TfrmSite), tmrBusy(new QTimer(this)), actReplace(new QAction(this)), store_(store),
      links_(links), link_(links), noDefault_(new QPushButton(this)) {
    ui->setupUi(this);
    noDefault_->setFocusPolicy(Qt::NoFocus);
    noDefault_->hide();
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    applyLooks();
    addCardsMode();

    ui->edPlan->setText(QString::fromStdString(files.plan));
    ui->edReport->setText(QString::fromStdString(files.report));
    recordFollowsPlan_ = files.record.empty();
    if (!recordFollowsPlan_)
        ui->edRecord->setText(QString::fromStdString(files.record));

    tmrBusy->setInterval(BlinkMs);
    connect(tmrBusy, &QTimer::timeout, this, &TfrmSite::tmrBusyTimer);
    connect(ui->edPlan, &QLineEdit::editingFinished, this, &TfrmSite::edPlanChange);
    connect(ui->edRecord, &QLineEdit::textEdited, this, [this] { recordFollowsPlan_ = false; });
    connect(ui->edRecord, &QLineEdit::editingFinished, this, &TfrmSite::edRecordChange);
    connect(ui->edReport, &QLineEdit::editingFinished, this, &TfrmSite::inputChanged);
    connect(ui->btnPlan, &QAbstractButton::clicked, this, &TfrmSite::btnPlanClick);
    connect(ui->btnRecord, &QAbstractButton::clicked, this, &TfrmSite::btnRecordClick);
    connect(ui->btnReport, &QAbstractButton::clicked, this, &TfrmSite::btnReportClick);
    connect(ui->btnStart, &QAbstractButton::clicked, this, &TfrmSite::btnStartClick);
    connect(ui->btnStop, &QAbstractButton::clicked, this, &TfrmSite::btnStopClick);
    connect(ui->btnEng, &QAbstractButton::clicked, this, [this] { switchLanguage(localisation::LanguageEnglish); });
    connect(ui->btnGB, &QAbstractButton::clicked, this, [this] { switchLanguage(localisation::LanguageSimplified); });
    connect(ui->btnBIG5, &QAbstractButton::clicked, this,
            [this] { switchLanguage(localisation::LanguageTraditional); });
    connect(ui->btnExit, &QAbstractButton::clicked, this, &TfrmSite::btnExitClick);
    actReplace->setObjectName(QStringLiteral("actReplace"));
    ui->tblReaders->addAction(actReplace);
    ui->tblReaders->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(actReplace, &QAction::triggered, this, &TfrmSite::replaceClick);
    askReplacement = [this](const QString& question) {
        QMessageBox box(QMessageBox::Question, windowTitle(), question, QMessageBox::NoButton, this);
        QPushButton* replacement = box.addButton(Tr(localisation::swReplacementYes), QMessageBox::YesRole);
        box.setDefaultButton(box.addButton(Tr(localisation::swReplacementNo), QMessageBox::NoRole));
        box.exec();
        return box.clickedButton() == replacement;
    };
    connect(ui->rbAudit, &QAbstractButton::toggled, this, [this] {
        if (running_)
            return;
        fillTable();
        startAnew();
    });
    for (const commission::SettingRow& row : commission::SettingTable) {
        for (QCheckBox* box : ControlsOf<QCheckBox>(*ui->gbSettings, row))
            connect(box, &QAbstractButton::toggled, this, &TfrmSite::inputChanged);
        for (QSpinBox* box : ControlsOf<QSpinBox>(*ui->gbSettings, row))
            connect(box, &QSpinBox::valueChanged, this, &TfrmSite::inputChanged);
        for (QComboBox* list : ControlsOf<QComboBox>(*ui->gbSettings, row))
            connect(list, &QComboBox::currentIndexChanged, this, &TfrmSite::inputChanged);
    }

    // As the main window's: the link serves the window's queue while it waits.
    links_.messagePump = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    FormCreate();
}

TfrmSite::~TfrmSite() {
    // A field that loses the focus as the window goes would call back into a window half destroyed.
    for (QLineEdit* field : {ui->edPlan, ui->edRecord, ui->edReport})
        field->disconnect(this);
    links_.messagePump = {};
    delete ui;
}

void TfrmSite::applyLooks() {
    setFont(LayoutFont("MS Sans Serif", 13, false));
    ApplyChrome(*this, {ui->pnStatus, ui->btnEng, ui->pnVELNO, ui->btnExit}, links_.system);
    ui->pnStatus->setFont(LayoutFont("MS Sans Serif", 16, true));
    for (QLabel* count : {ui->pnDone, ui->pnFailed, ui->pnLeft})
        ValueLooks(count);
    for (QPushButton* button : {ui->btnStart, ui->btnStop})
        button->setFont(LayoutFont("MS Sans Serif", 16, true));
    FitGroupBoxTitle(ui->gbSettings);

    QTableWidget* table = ui->tblReaders;
    table->setColumnCount(ColumnCount);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // A long door name wraps in a column of bounded width, the outcome wraps in the room left, and each row is as
    // tall as its cells need: no reason is cut to a tooltip.
    table->horizontalHeader()->setSectionResizeMode(ColDoor, QHeaderView::Interactive);
    table->horizontalHeader()->setSectionResizeMode(ColOutcome, QHeaderView::Stretch);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setWordWrap(true);
    table->setFocusPolicy(Qt::StrongFocus);

    for (const commission::SettingRow& row : commission::SettingTable) {
        const QList<QComboBox*> lists = ControlsOf<QComboBox>(*ui->gbSettings, row);
        for (qsizetype word = 0; word < lists.size() && word < qsizetype(std::size(row.lists)); ++word) {
            for (int item = 0; item < row.lists[word].count; ++item)
                lists[word]->addItem(QString::fromLatin1(row.lists[word].items[item]));
        }
    }
}

// ---- the Cards mode ----

void TfrmSite::addCardsMode() {
    cards_ = new CardsPanel(link_, reader_, store_, this);
    cards_->setObjectName(QStringLiteral("cards"));
    cards_->hide();
    ui->vlMain->insertWidget(ui->vlMain->indexOf(ui->tblReaders) + 1, cards_, 1);
    btnCards = new QPushButton(this);
    btnCards->setObjectName(QStringLiteral("btnCards"));
    btnCards->setCheckable(true);
    ui->hlRun->insertWidget(ui->hlRun->indexOf(ui->btnStop) + 1, btnCards);
    setTabOrder(ui->btnStop, btnCards);
    setTabOrder(btnCards, cards_);
    setTabOrder(cards_, ui->tblReaders);
    connect(btnCards, &QAbstractButton::toggled, this, [this](bool on) {
        if (on && running_) {
            btnCards->setChecked(false); // one run at a time
            return;
        }
        ui->tblReaders->setVisible(!on);
        ui->gbSettings->setVisible(!on);
        ui->btnStart->setVisible(!on);
        ui->btnStop->setVisible(!on);
        cards_->setVisible(on);
    });
    // While cards are enrolled, nothing else may run nested in their polling.
    connect(cards_, &CardsPanel::runningChanged, this, [this](bool running) {
        for (QWidget* control :
             {static_cast<QWidget*>(btnCards), static_cast<QWidget*>(ui->btnExit), static_cast<QWidget*>(ui->btnEng),
              static_cast<QWidget*>(ui->btnGB), static_cast<QWidget*>(ui->btnBIG5)})
            control->setEnabled(!running);
    });
}

// ---- start-up and captions ----

void TfrmSite::FormCreate() {
    const settings::LoadedSettings loaded = settings::LoadSettings(store_);
    reader_.Load(loaded);
    localisation::UseSavedLanguage(loaded.LanguageName);
    // A fresh reader comes at the factory default.
    for (const commission::SettingRow& row : commission::SettingTable) {
        commission::Value value;
        if (!commission::ParseValue(row, {row.factoryDefault}, false, value).empty())
            continue;
        const std::vector<int> numbers = commission::Numbers(value);
        const QList<QWidget*> controls = ValueControlsOf(*ui->gbSettings, row);
        for (std::size_t word = 0; word < numbers.size() && word < std::size_t(controls.size()); ++word) {
            if (auto* box = qobject_cast<QSpinBox*>(controls[qsizetype(word)]))
                box->setValue(numbers[word]);
            else if (auto* list = qobject_cast<QComboBox*>(controls[qsizetype(word)]))
                list->setCurrentIndex(numbers[word]);
        }
    }
    ui->shComm->setBrushColor(LampRed);
    edPlanChange();
}

void TfrmSite::FormShow() {
    ApplyLanguageFaces(*this, localisation::LanguageIndex);
    for (const Caption& caption : Captions)
        SetCaption(*this, QString::fromLatin1(caption.control), Tr(caption.text));
    for (const commission::SettingRow& row : commission::SettingTable) {
        for (QCheckBox* box : ControlsOf<QCheckBox>(*ui->gbSettings, row))
            SetCaption(*this, box->objectName(), Tr(row.choice));
    }
    ui->edPlan->setPlaceholderText(Tr(localisation::swNoPlan));
    ui->edReport->setPlaceholderText(Tr(localisation::swNoReport));
    ui->seLineTest->setSuffix(Tr(localisation::swQueries));
    QStringList headers;
    for (const TextId header : Headers())
        headers << Tr(header);
    ui->tblReaders->setHorizontalHeaderLabels(headers);
    FitDoorColumn(*ui->tblReaders);
    actReplace->setText(Tr(localisation::swReplaceAction));
    for (int row = 0; row < ui->tblReaders->rowCount(); ++row)
        showOutcome(row);
    updateCounts();
    if (running_ && !said_.empty())
        sayStatus(said_);
    else if (!running_ && idle_)
        showStatus(idle_());
    cards_->retranslate();
}

void TfrmSite::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

// The window closes at any time; a run under way is stopped first, as Stop does, and the window closes after it.
void TfrmSite::closeEvent(QCloseEvent* event) {
    if (cards_->running()) {
        cards_->btnCardsStopClick();
        event->ignore();
        return;
    }
    if (!running_) {
        event->accept();
        return;
    }
    closeAsked_ = true;
    btnStopClick();
    event->ignore();
}

void TfrmSite::keyPressEvent(QKeyEvent* event) {
    // Esc would hide the window without a word, a run and all.
    if (!TakeEscape(event))
        QDialog::keyPressEvent(event);
}

void TfrmSite::btnExitClick() {
    close();
}

// ---- the language ----

void TfrmSite::switchLanguage(int index) {
    const bool saved = SwitchLanguage(store_, index);
    FormShow();
    if (!saved)
        refuse(Tr(localisation::swLanguageNotSaved));
}

// ---- the inputs ----

void TfrmSite::edPlanChange() {
    // A field that loses its focus to a run (disabled by it) says it is finished too; the run's plan stays.
    if (running_)
        return;
    const QString path = ui->edPlan->text().trimmed();
    // The plan the last run began with, its file unchanged: the run goes on.
    if (started_ && path == started_->plan && Stamp(path) == planStamp_)
        return;
    plan_.reset();
    planErrors_.clear();
    planStamp_ = Stamp(path);
    if (!path.isEmpty()) {
        commission::PlanCheck check = commission::ReadPlan(path.toStdString());
        if (check.plan) {
            plan_ = std::move(check.plan);
        } else {
            // The field names the file already; each fault names its line and column.
            const std::string prefix = path.toStdString() + " ";
            for (const std::string& error : check.errors)
                planErrors_ << Utf8(error.starts_with(prefix) ? error.substr(prefix.size()) : error);
        }
    }
    if (recordFollowsPlan_)
        ui->edRecord->setText(QDir::toNativeSeparators(DefaultRecordPath(path)));
    fillTable();
    startAnew();
}

void TfrmSite::edRecordChange() {
    if (running_)
        return;
    if (ui->edRecord->text().trimmed().isEmpty()) {
        recordFollowsPlan_ = true;
        ui->edRecord->setText(QDir::toNativeSeparators(DefaultRecordPath(ui->edPlan->text().trimmed())));
    }
    inputChanged();
}

void TfrmSite::btnPlanClick() {
    const QString path = QFileDialog::getOpenFileName(this, Plain(localisation::swPlan), ui->edPlan->text(),
                                                      Tr(localisation::swPlanFiles));
    if (path.isEmpty())
        return;
    ui->edPlan->setText(QDir::toNativeSeparators(path));
    edPlanChange();
}

void TfrmSite::btnRecordClick() {
    // The record is appended to, never replaced: no question about an existing file.
    const QString path =
        QFileDialog::getSaveFileName(this, Plain(localisation::swRecord), ui->edRecord->text(),
                                     Tr(localisation::swRecordFiles), nullptr, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return;
    recordFollowsPlan_ = false;
    ui->edRecord->setText(QDir::toNativeSeparators(path));
    inputChanged();
}

void TfrmSite::btnReportClick() {
    const QString path = QFileDialog::getSaveFileName(this, Plain(localisation::swReport), ui->edReport->text(),
                                                      Tr(localisation::swReportFiles));
    if (path.isEmpty())
        return;
    ui->edReport->setText(QDir::toNativeSeparators(path));
    inputChanged();
}

void TfrmSite::inputChanged() {
    if (running_ || (started_ && inputs() == *started_))
        return;
    startAnew();
}

void TfrmSite::startAnew() {
    if (running_)
        return;
    resumable_ = false;
    started_.reset();
    setPlanDone(false);
    site_.reset();
    record_.reset();
    showIdle([this] { return idleText(); });
    updateControls();
}

TfrmSite::Inputs TfrmSite::inputs() const {
    return {ui->edPlan->text().trimmed(),
            ui->rbAudit->isChecked(),
            Asked(chosenSettings()),
            QDir::fromNativeSeparators(ui->edRecord->text().trimmed()),
            QDir::fromNativeSeparators(ui->edReport->text().trimmed()),
            ui->chkLineTest->isChecked() ? ui->seLineTest->value() : 0,
            ui->chkReadCard->isChecked()};
}

void TfrmSite::setPlanDone(bool done) {
    planDone_ = done;
    (done ? noDefault_ : ui->btnStart)->setDefault(true);
}

bool TfrmSite::startAgain() {
    QMessageBox box(QMessageBox::Question, Tr(localisation::swTitle),
                    F(localisation::swStartAgain, {plan_ ? plan_->name : std::string()}), QMessageBox::NoButton, this);
    QPushButton* again = box.addButton(Tr(localisation::swStartAgainYes), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(Tr(localisation::swStartAgainNo), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    ApplyLanguageFaces(box, localisation::LanguageIndex);
    box.exec();
    return box.clickedButton() == again;
}

QString TfrmSite::idleText() const {
    if (!planErrors_.isEmpty()) {
        QStringList shown = planErrors_.mid(0, ShownFaults);
        if (planErrors_.size() > ShownFaults)
            shown << F(localisation::swMoreFaults, {std::to_string(planErrors_.size() - ShownFaults)});
        return F(localisation::swPlanFaulty, {shown.join(QLatin1Char('\n')).toStdString()});
    }
    if (plan_)
        return F(localisation::swPlanReady, {plan_->name, std::to_string(plan_->rows.size())});
    return Tr(localisation::swReady);
}

void TfrmSite::updateControls() {
    const bool idle = !running_;
    const bool withPlan = !ui->edPlan->text().trimmed().isEmpty();
    for (QWidget* control :
         {static_cast<QWidget*>(ui->edPlan), static_cast<QWidget*>(ui->btnPlan), static_cast<QWidget*>(ui->edRecord),
          static_cast<QWidget*>(ui->btnRecord), static_cast<QWidget*>(ui->edReport),
          static_cast<QWidget*>(ui->btnReport), static_cast<QWidget*>(ui->btnEng), static_cast<QWidget*>(ui->btnGB),
          static_cast<QWidget*>(ui->btnBIG5)})
        control->setEnabled(idle);
    ui->rbApply->setEnabled(idle && plan_.has_value());
    ui->rbAudit->setEnabled(idle && plan_.has_value());
    ui->gbSettings->setEnabled(idle && !withPlan);
    // An audit only reads: nothing is checked at the door.
    const bool checks = idle && !(plan_ && ui->rbAudit->isChecked());
    ui->chkLineTest->setEnabled(checks);
    ui->seLineTest->setEnabled(checks && ui->chkLineTest->isChecked());
    ui->chkReadCard->setEnabled(checks);
    for (const commission::SettingRow& row : commission::SettingTable) {
        const bool chosen = ControlsOf<QCheckBox>(*ui->gbSettings, row).value(0)->isChecked();
        for (QWidget* control : ValueControlsOf(*ui->gbSettings, row))
            control->setEnabled(chosen);
    }
    // A plan that cannot be used cannot be started.
    ui->btnStart->setEnabled(idle && (!withPlan || plan_));
    // Stop keeps the focus while the run stops: disabled, it would hand it to the table.
    ui->btnStop->setEnabled(running_);
    updateCounts();
}

void TfrmSite::updateCounts() {
    if (site_)
        status_ = site_->status();
    ui->pnDone->setText(F(localisation::swDone, {std::to_string(status_.done)}));
    ui->pnFailed->setText(F(localisation::swFailed, {std::to_string(status_.failed)}));
    std::string left = "-";
    if (plan_) {
        left = std::to_string(
            status_.rowsLeft.value_or(commission::PlanProgress(&*plan_).left(ui->rbAudit->isChecked()).size()));
    } else if (const commission::SettingRow* naming = commission::CountingRow();
               ui->edPlan->text().trimmed().isEmpty() && naming && chosenSettings()[naming->setting]) {
        const int first = chosenSettings()[naming->setting]->chosen;
        left = std::to_string(std::max(0, commission::LastId - first - status_.idsUsed + 1));
    }
    ui->pnLeft->setText(F(localisation::swLeft, {left}));
}

commission::Request TfrmSite::chosenSettings() const {
    // Each value as its words on the command line: a number, or a list's index; the value that counts up does.
    commission::Request request;
    for (const commission::SettingRow& row : commission::SettingTable) {
        if (!ControlsOf<QCheckBox>(*ui->gbSettings, row).value(0)->isChecked())
            continue;
        std::vector<std::string> words;
        for (QWidget* control : ValueControlsOf(*ui->gbSettings, row)) {
            if (const auto* box = qobject_cast<QSpinBox*>(control))
                words.push_back(std::to_string(box->value()));
            else if (const auto* list = qobject_cast<QComboBox*>(control))
                words.push_back(std::to_string(list->currentIndex()));
        }
        if (row.counts && !words.empty())
            words.back() += '+';
        commission::Value value;
        if (commission::ParseValue(row, words, true, value).empty())
            request.add(value);
    }
    return request;
}

// ---- the status ----

void TfrmSite::showStatus(const QString& text) {
    said_ = {};
    ui->pnStatus->setText(text);
}

void TfrmSite::sayStatus(commission::Reason status) {
    showStatus(Utf8(commission::Say(status)));
    said_ = std::move(status);
}

void TfrmSite::sayUnderHead(commission::Reason step) {
    sayStatus(head_.empty() ? std::move(step) : commission::Reason::Joined({head_, std::move(step)}, "\n"));
}

void TfrmSite::showIdle(std::function<QString()> text) {
    idle_ = std::move(text);
    showStatus(idle_());
}

void TfrmSite::refuse(const QString& text) {
    ui->shComm->setBrushColor(LampRed);
    showStatus(text);
    repaint();
    links_.system.beep(operations::FailureBeepHz, operations::SignalBeepMs);
}

void TfrmSite::tmrBusyTimer() {
    Blink(*ui->shComm, busyPhase_);
}

// ---- a run ----

void TfrmSite::btnStartClick() {
    if (running_ || !ui->btnStart->isEnabled())
        return;
    if (planDone_ && !startAgain())
        return;
    if (!resumable_ && !prepare())
        return;
    run();
}

void TfrmSite::btnStopClick() {
    if (!running_ || stopAsked_)
        return;
    stopAsked_ = true;
    showStatus(Tr(localisation::swStopping));
}

bool TfrmSite::prepare() {
    commission::SiteOptions options;
    if (plan_) {
        options.kind = ui->rbAudit->isChecked() ? SiteKind::Audit : SiteKind::Apply;
        options.plan = &*plan_;
    } else {
        options.kind = SiteKind::Set;
        options.request = chosenSettings();
    }
    // Nothing is sent before the record and the report are known to take what the run writes.
    const QString recordPath = QDir::fromNativeSeparators(ui->edRecord->text().trimmed());
    // The documents folder that the default record goes in may not exist yet on a fresh account.
    if (recordFollowsPlan_ && !plan_)
        QDir().mkpath(QFileInfo(recordPath).absolutePath());
    options.reportPath = QDir::fromNativeSeparators(ui->edReport->text().trimmed()).toStdString();
    options.lineTest = inputs().lineTest;
    options.card = inputs().card;
    std::unique_ptr<commission::Record> record;
    if (const commission::Failure failure = commission::CheckRun(options, recordPath.toStdString(), record);
        !failure.ok()) {
        const std::string why = commission::Say(failure.why);
        refuse(failure.code == Code::NotSaved ? F(localisation::swNotStarted, {why}) : Utf8(why));
        return false;
    }
    site_.reset();
    record_ = std::move(record);
    options.record = record_.get();
    options.version = READERCONFIG_VERSION;
    options.replaceDoor = std::exchange(replaceDoor_, {});
    options.askReplacement = [this](const commission::ReaderSeen&, const commission::PlanRow& held) {
        return askReplacement && askReplacement(F(localisation::swReplacementQuestion, {held.door}));
    };
    kind_ = options.kind;
    request_ = options.request;
    started_ = inputs();
    const commission::JobContext context{link_, reader_, store_, *this, [this] { return stopAsked_; }, true, {}};
    site_ = std::make_unique<commission::Site>(context, std::move(options));
    fillTable();
    // The rows the record has done already, as it has them.
    const commission::SiteState& state = site_->state();
    for (const commission::ReportRow& shown : state.reportRows()) {
        const commission::PlanRow* planned = state.rowOfDoor(shown.door);
        if (!planned || !commission::DoneOutcome(shown.outcome))
            continue;
        const int row = int(planned - plan_->rows.data());
        setCell(row, ColSerial, Utf8(shown.serial));
        setCell(row, ColFirmware, Utf8(shown.firmware));
        setOutcome(row, localisation::swRowDone);
        setRowState(row, RowState::Done);
    }
    return true;
}

void TfrmSite::replaceClick() {
    const int row = ui->tblReaders->currentRow();
    if (running_ || !plan_ || ui->rbAudit->isChecked() || row < 0 || row >= int(plan_->rows.size()) ||
        plan_->rows[std::size_t(row)].door.empty())
        return;
    // A new run from the record, whose rows stay done: the next reader found takes the door's row.
    // It is asked for by name, so it is not the plan begun again that Start asks about.
    replaceDoor_ = plan_->rows[std::size_t(row)].door;
    resumable_ = false;
    if (prepare())
        run();
}

void TfrmSite::run() {
    running_ = true;
    stopAsked_ = false;
    resumable_ = false;
    setPlanDone(false);
    lastSignal_.reset();
    const QColor before = ui->shComm->brushColor();
    updateControls();
    ui->btnStop->setFocus();
    // The busy pointer that still takes clicks: the window stays live for Stop.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    tmrBusy->start();

    const commission::SiteSummary summary = site_->run();

    tmrBusy->stop();
    running_ = false;
    pending_.reset();
    head_ = {};
    current_ = -1;
    RestoreDefaultCursor();
    const std::string done = std::to_string(summary.done);
    const std::string failed = std::to_string(summary.failed);
    if (!summary.ok()) {
        ui->shComm->setBrushColor(LampRed);
        showIdle([why = summary.why] { return F(localisation::swEnded, {commission::Say(why)}); });
    } else {
        ui->shComm->setBrushColor(lastSignal_ ? (*lastSignal_ ? LampYellow : LampRed) : before);
        resumable_ = stopAsked_ && !summary.planDone;
        setPlanDone(summary.planDone);
        const TextId text = summary.planDone ? localisation::swPlanDone : localisation::swStopped;
        showIdle([=] { return F(text, {done, failed}); });
    }
    stopAsked_ = false;
    // Away from Stop before it is disabled, which would hand the focus to the table; a plan done leaves it off
    // Start, so that no Enter begins the plan again.
    ui->btnExit->setFocus();
    updateControls();
    if (!resumable_) {
        site_.reset();
        record_.reset();
    }
    if (!resumable_ && !planDone_)
        started_.reset();
    if (ui->btnStart->isEnabled() && !planDone_)
        ui->btnStart->setFocus();
    if (closeAsked_)
        close();
}

// ---- the table ----

void TfrmSite::fillTable() {
    QTableWidget* table = ui->tblReaders;
    table->setRowCount(0);
    current_ = -1;
    status_ = {};
    if (plan_) {
        for (const commission::PlanRow& planned : plan_->rows) {
            const int row = addRow();
            setCell(row, ColDoor, Utf8(planned.door));
            setCell(row, ColSerial, FromReader(planned.serial));
            showPlanned(row);
            setRowState(row, RowState::NotDone);
        }
    }
    FitDoorColumn(*table);
}

void TfrmSite::showPlanned(int row) {
    const Wanted planned = Asked(plan_->rows[std::size_t(row)].request);
    for (const commission::SettingRow& setting : commission::SettingTable) {
        const std::size_t index = commission::IndexOf(setting.setting);
        QTableWidgetItem* item = ui->tblReaders->item(row, ColumnOf(setting.setting));
        item->setText(planned[index] ? ValueText(setting.setting, *planned[index]) : QString());
        item->setData(Qt::UserRole, false);
        item->setToolTip({});
    }
}

int TfrmSite::addRow() {
    QTableWidget* table = ui->tblReaders;
    const int row = table->rowCount();
    table->insertRow(row);
    for (int column = 0; column < ColumnCount; ++column)
        table->setItem(row, column, new QTableWidgetItem);
    table->item(row, ColDoor)->setData(StateRole, int(RowState::NotDone));
    return row;
}

int TfrmSite::rowUnderWay() {
    if (current_ < 0 && pending_) {
        current_ = addRow();
        setCell(current_, ColSerial, FromReader(pending_->info.serial));
        setCell(current_, ColFirmware, FromReader(pending_->info.version));
        // What it is to get: the same settings for every reader, the ID counting up.
        for (const commission::Value& value : request_.inOrder())
            setCell(current_, ColumnOf(value.setting),
                    ValueText(value.setting, commission::ReaderText(value, status_.idsUsed)));
        setRowState(current_, RowState::UnderWay);
    }
    return current_;
}

void TfrmSite::setCell(int row, int column, const QString& text) {
    ui->tblReaders->item(row, column)->setText(text);
}

void TfrmSite::setOutcome(int row, std::optional<TextId> words, const commission::Reason& reason) {
    QTableWidgetItem* item = ui->tblReaders->item(row, ColOutcome);
    item->setData(ChecksRole, {});
    item->setData(WordsRole, words ? QVariant(int(*words)) : QVariant());
    item->setData(ReasonRole, QVariant::fromValue(reason));
    showOutcome(row);
}

void TfrmSite::showOutcome(int row) {
    QTableWidgetItem* item = ui->tblReaders->item(row, ColOutcome);
    const QVariant words = item->data(WordsRole);
    const std::string reason = commission::Say(item->data(ReasonRole).value<commission::Reason>());
    QString text = Utf8(reason);
    if (words.isValid())
        text = reason.empty() ? Tr(TextId(words.toInt())) : F(TextId(words.toInt()), {reason});
    for (const QString& check : CheckLines(item->data(ChecksRole).value<commission::DoorChecks>()))
        text += QLatin1Char('\n') + check;
    item->setText(text);
    item->setToolTip(reason.empty() ? QString() : text);
}

void TfrmSite::setRowState(int row, RowState state) {
    QTableWidget* table = ui->tblReaders;
    const QPalette palette = table->palette();
    QColor background;
    QColor text = palette.color(QPalette::Text);
    switch (state) {
    case RowState::NotDone:
        text = palette.color(QPalette::Disabled, QPalette::Text);
        setOutcome(row, localisation::swNotDone);
        break;
    case RowState::UnderWay:
        background = palette.color(QPalette::Highlight);
        text = palette.color(QPalette::HighlightedText);
        setOutcome(row, localisation::swUnderWay);
        break;
    case RowState::Failed:
    case RowState::Refused:
        background = FailedBackground;
        break;
    case RowState::Drift:
        background = DriftBackground;
        break;
    case RowState::Done:
        break;
    }
    table->item(row, ColDoor)->setData(StateRole, int(state));
    for (int column = 0; column < ColumnCount; ++column) {
        QTableWidgetItem* item = table->item(row, column);
        item->setBackground(background.isValid() ? QBrush(background) : QBrush());
        // A value marked as not what was asked keeps its mark.
        if (!item->data(Qt::UserRole).toBool())
            item->setForeground(text);
    }
    if (state == RowState::UnderWay)
        table->scrollToItem(table->item(row, ColDoor));
}

void TfrmSite::showValues(int row, const operations::ReaderInfo& info, const std::string& line, const Wanted& wanted) {
    for (const commission::SettingRow& setting : commission::SettingTable) {
        const std::size_t index = commission::IndexOf(setting.setting);
        const std::optional<std::string> value = commission::ReadField(setting.setting, info, line);
        QTableWidgetItem* item = ui->tblReaders->item(row, ColumnOf(setting.setting));
        item->setText(value ? ValueText(setting.setting, *value) : QString());
        const bool differs = value && wanted[index] && *value != *wanted[index];
        item->setData(Qt::UserRole, differs);
        item->setForeground(differs ? QBrush(LampRed) : QBrush());
        if (differs)
            item->setToolTip(ValueText(setting.setting, *wanted[index]));
    }
}

// ---- the events of the run ----

void TfrmSite::operationMessage(const commission::Reason& message) {
    rowUnderWay();
    sayUnderHead(message);
}

void TfrmSite::readBack(const commission::JobResult& job) {
    if (!job.ok())
        return; // the end of the job tells why
    const std::string same = commission::Say(job.asSet());
    // Shown under the reader's outcome until it is taken away.
    readBack_ =
        F(localisation::swReadBack, {Format(localisation::cmWhere, {commission::ComName(job.port), job.line}), same});
}

void TfrmSite::waiting(int port) {
    head_ = {};
    sayStatus(commission::Reason(localisation::swWaiting,
                                 {port > 0 ? commission::Reason(commission::ComName(port)) : localisation::swAnyPort}));
    tmrBusy->start();
}

void TfrmSite::found(const commission::ReaderSeen& reader) {
    pending_ = reader;
    readBack_.clear();
    head_ = commission::Reason(localisation::swFound, {protocol::Latin1ToUtf8(reader.info.serial.value_or("")),
                                                       commission::ComName(reader.port), reader.line});
    sayStatus(head_);
}

void TfrmSite::planRow(const commission::ReaderSeen& reader, const commission::PlanRow& row) {
    current_ = int(site_->status().rowUnderWay.value_or(0));
    // A row taken again after a reader failed on it shows what it is to get, not what the other one had.
    showPlanned(current_);
    setCell(current_, ColSerial, FromReader(reader.info.serial));
    setCell(current_, ColFirmware, FromReader(reader.info.version));
    setCell(current_, ColTime, {});
    setRowState(current_, RowState::UnderWay);
    head_ = commission::Reason(localisation::swTakesRow,
                               {protocol::Latin1ToUtf8(reader.info.serial.value_or("")),
                                commission::ComName(reader.port), reader.line, commission::RowName(row)});
    sayStatus(head_);
}

void TfrmSite::finished(const commission::ReaderSeen& reader, const commission::JobResult& job, const std::string& door,
                        commission::ReaderOutcome outcome) {
    using commission::ReaderOutcome;
    const int row = rowUnderWay() >= 0 ? current_ : (current_ = addRow());
    const operations::ReaderInfo known = job.known(reader.info);
    const std::string& line = job.line;
    const commission::PlanRow* planned =
        plan_ && row < int(plan_->rows.size()) ? &plan_->rows[std::size_t(row)] : nullptr;
    setCell(row, ColSerial, FromReader(known.serial));
    setCell(row, ColFirmware, FromReader(known.version));
    // An audit holds the reader to its row; a job to what it asked of this reader.
    showValues(row, known, line, kind_ == SiteKind::Audit && planned ? Asked(planned->request) : job.asked);
    setCell(row, ColTime, QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));

    const std::string who = commission::ReaderName(reader, door);
    const bool audit = kind_ == SiteKind::Audit;
    RowState state = RowState::Done;
    switch (outcome) {
    case ReaderOutcome::Done:
    case ReaderOutcome::Unchanged:
    case ReaderOutcome::Unverified:
        setOutcome(row, audit                                  ? localisation::swRowAsPlanned
                        : outcome == ReaderOutcome::Unchanged  ? localisation::swRowUnchanged
                        : outcome == ReaderOutcome::Unverified ? localisation::swRowUnverified
                                                               : localisation::swRowDone);
        outcome_ = F(audit ? localisation::swReaderAsPlanned : localisation::swReaderDone, {who});
        break;
    case ReaderOutcome::Drift:
        state = RowState::Drift;
        setOutcome(row, std::nullopt, job.why); // the reason says "drift" itself
        break;
    case ReaderOutcome::Refused:
        state = RowState::Refused;
        setOutcome(row, localisation::swRowRefused, job.why);
        break;
    case ReaderOutcome::Failed:
        state = RowState::Failed;
        setOutcome(row, localisation::swRowFailed, job.why);
        break;
    }
    if (state != RowState::Done)
        outcome_ = F(state == RowState::Refused ? localisation::swReaderRefused : localisation::swReaderFailed,
                     {who, commission::Say(job.why)});
    if (!job.checks.empty()) {
        ui->tblReaders->item(row, ColOutcome)->setData(ChecksRole, QVariant::fromValue(job.checks));
        showOutcome(row);
        for (const QString& check : CheckLines(job.checks))
            outcome_ += QStringLiteral(", ") + check;
    }
    setRowState(row, state);
    ui->tblReaders->scrollToItem(ui->tblReaders->item(row, ColDoor));
    pending_.reset();
    head_ = {};
    showStatus(readBack_.isEmpty() ? outcome_ : outcome_ + QLatin1Char('\n') + readBack_);
    updateCounts();
}

void TfrmSite::stateFound(const commission::StateFound& state) {
    std::string text =
        state.left < 0 ? Format(localisation::cmStateFoundNoPlan,
                                {state.record, std::to_string(state.done), std::to_string(state.held)})
                       : Format(localisation::cmStateFound, {state.record, std::to_string(state.done),
                                                             std::to_string(state.held), std::to_string(state.left)});
    for (const int at : state.setAside)
        text += "\n" + Format(localisation::cmSetAside, {state.record, std::to_string(at)});
    showStatus(Utf8(text));
}

void TfrmSite::alreadyDone(const commission::ReaderSeen& reader, const std::string& id, const std::string&) {
    pending_.reset();
    readBack_.clear();
    head_ = {};
    outcome_ = F(localisation::swAlreadyDone,
                 {protocol::Latin1ToUtf8(reader.info.serial.value_or("")), protocol::Latin1ToUtf8(id)});
    showStatus(outcome_);
}

void TfrmSite::removeReader(const commission::ReaderSeen&) {
    const QString remove = F(localisation::swRemove, {outcome_.toStdString()});
    showStatus(readBack_.isEmpty() ? remove : remove + QLatin1Char('\n') + readBack_);
}

void TfrmSite::lineTestStarted(const commission::ReaderSeen&, long long count) {
    lineTestStep({}, count);
}

void TfrmSite::lineTestStep(const commission::LineTest& sofar, long long count) {
    sayUnderHead({localisation::dcLineTesting, {std::to_string(sofar.sent), std::to_string(count)}});
}

void TfrmSite::presentCard(const commission::ReaderSeen& reader, std::uint32_t waitMs) {
    sayUnderHead({localisation::dcPresentCard,
                  {protocol::Latin1ToUtf8(reader.info.serial.value_or("")), std::to_string(waitMs / 1000)}});
}

void TfrmSite::left(const commission::ReaderSeen&) {
    current_ = -1;
}

void TfrmSite::signal(bool ok) {
    // The outcome stays on the lamp until the reader is taken away.
    tmrBusy->stop();
    lastSignal_ = ok;
    ui->shComm->setBrushColor(ok ? LampYellow : LampRed);
    // The tone holds the thread: what the site has shown so far is painted first.
    repaint();
    links_.system.beep(ok ? operations::SuccessBeepHz : operations::FailureBeepHz, operations::SignalBeepMs);
}

} // namespace console
