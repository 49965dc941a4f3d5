#pragma once
// The site window: readers commissioned one after another, each given its row of a plan (or, without a plan, the
// same settings with the ID counting up), recorded and shown in a table. It is a face of the commissioning
// library: Site runs on the window's thread and tells what happens as events, which the window shows; the link's
// message pump keeps the window live while it runs, so that Stop acts between two exchanges.

#include "commission/job.h"
#include "commission/plan.h"
#include "commission/record.h"
#include "commission/site.h"
#include "link/link.h"
#include "localisation/message_table.h"
#include "operations/operations.h"
#include "platform/settings_store.h"

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QPushButton;
class QAction;
class QTimer;
namespace Ui {
class TfrmSite;
}

namespace console {

class CardsPanel;

/// The files the command line names.
struct SiteFiles {
    std::string plan;   ///< empty: no plan
    std::string record; ///< empty: the default record
    std::string report; ///< empty: no report
};

/// Where the record goes when none is named: beside the plan as `<plan name>-record.csv`, or without a plan in the
/// documents folder.
QString DefaultRecordPath(const QString& planPath);

class TfrmSite : public QDialog, public commission::Events {
    Q_OBJECT

    /// The form. Tests reach the controls by their object names.
    Ui::TfrmSite* const ui;

public:
    /// As TfrmModule's: neither `store` nor `links` is owned, both must outlive the window, whose events the links'
    /// message pump serves while it lives.
    TfrmSite(platform::SettingsStore& store, readerlink::LinkSetup& links, const SiteFiles& files,
             QWidget* parent = nullptr);
    ~TfrmSite() override;

    /// The table's columns: one per setting, in SettingTable's order, between the firmware and the outcome.
    enum Column {
        ColDoor,
        ColSerial,
        ColFirmware,
        ColSettings,
        ColOutcome = ColSettings + commission::SettingCount,
        ColTime
    };
    static constexpr int ColumnCount = ColTime + 1;
    static constexpr int ColumnOf(commission::Setting setting) {
        return ColSettings + static_cast<int>(commission::IndexOf(setting));
    }
    /// What a row of the table stands for; the door cell carries it under StateRole.
    enum class RowState { NotDone, UnderWay, Done, Failed, Drift, Refused };
    static constexpr int StateRole = Qt::UserRole + 1;
    /// The outcome cell keeps its words (a TextId) and the reason the site gave (a commission::Reason), so that a
    /// language switch says them anew.
    static constexpr int WordsRole = Qt::UserRole + 2;
    static constexpr int ReasonRole = Qt::UserRole + 3;
    /// What was checked at the door (commission::DoorChecks), shown under the outcome.
    static constexpr int ChecksRole = Qt::UserRole + 4;
    /// A value per setting, in the reader's digits (JobResult::asked).
    using Wanted = std::array<std::optional<std::string>, commission::SettingCount>;

    QTimer* const tmrBusy;
    /// The table's action that gives the next reader found the chosen door's row (its reader replaced).
    QAction* const actReplace;
    bool running() const { return running_; }
    /// Asks whether the reader found replaces the one that failed at a door; a test answers instead.
    std::function<bool(const QString& question)> askReplacement;

public slots:
    void FormCreate();
    void FormShow();

    void edPlanChange();
    void edRecordChange();
    void btnPlanClick();
    void btnRecordClick();
    void btnReportClick();
    void btnStartClick();
    void btnStopClick();
    void btnExitClick();
    void tmrBusyTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // ---- commission::Events: what the site tells, shown ----
    void operationMessage(const commission::Reason& message) override;
    void readBack(const commission::JobResult& job) override;
    void waiting(int port) override;
    void found(const commission::ReaderSeen& reader) override;
    void planRow(const commission::ReaderSeen& reader, const commission::PlanRow& row) override;
    void finished(const commission::ReaderSeen& reader, const commission::JobResult& job, const std::string& door,
                  commission::ReaderOutcome outcome) override;
    void alreadyDone(const commission::ReaderSeen& reader, const std::string& id, const std::string& door) override;
    void stateFound(const commission::StateFound& state) override;
    void removeReader(const commission::ReaderSeen& reader) override;
    void lineTestStarted(const commission::ReaderSeen& reader, long long count) override;
    void lineTestStep(const commission::LineTest& sofar, long long count) override;
    void presentCard(const commission::ReaderSeen& reader, std::uint32_t waitMs) override;
    void left(const commission::ReaderSeen& reader) override;
    void signal(bool ok) override;

    void applyLooks();
    /// The Cards mode: card enrolment in place of the readers' table (console/site_cards.h).
    void addCardsMode();
    void switchLanguage(int index);
    /// A field was left or a setting changed: when what the next Start depends on differs from what the last run
    /// was started with, the next Start begins a new run.
    void inputChanged();
    /// The next Start begins a new run.
    void startAnew();
    /// The plan's every row done: Start asks before it begins the plan again, and Enter does not reach it.
    void setPlanDone(bool done);
    /// Whether the user wants to begin again a plan that is done.
    bool startAgain();
    void updateControls();
    void updateCounts();
    /// A status that is composed again after a language switch.
    void showIdle(std::function<QString()> text);
    /// A status of the run under way, said again after a language switch.
    void sayStatus(commission::Reason status);
    /// A step of the reader under way, under the line that names it (head_).
    void sayUnderHead(commission::Reason step);
    void showStatus(const QString& text);
    /// The failure signal for something that kept the run from starting.
    void refuse(const QString& text);
    QString idleText() const;

    /// The settings chosen for every reader, when there is no plan.
    commission::Request chosenSettings() const;
    /// A new Site over the chosen plan or settings, the record opened; false, refused, when it cannot start.
    bool prepare();
    void run();
    /// Replace: the chosen door's row goes to the next reader found.
    void replaceClick();

    // ---- the table ----
    void fillTable();
    /// A plan row's values as planned.
    void showPlanned(int row);
    int addRow();
    /// The row of the reader under way, added for a reader that takes no plan row.
    int rowUnderWay();
    void setCell(int row, int column, const QString& text);
    void setRowState(int row, RowState state);
    /// `words` around the reason; none: the reason alone.
    void setOutcome(int row, std::optional<localisation::TextId> words, const commission::Reason& reason = {});
    void showOutcome(int row);
    /// The values `info` gives, each marked where it differs from what was wanted of it.
    void showValues(int row, const operations::ReaderInfo& info, const std::string& line, const Wanted& wanted);

    platform::SettingsStore& store_;
    readerlink::LinkSetup& links_;
    readerlink::Link link_;
    operations::ReaderState reader_;

    std::optional<commission::Plan> plan_;
    QStringList planErrors_; ///< why the plan in edPlan cannot be used
    QDateTime planStamp_;    ///< the plan file's time when it was read
    bool recordFollowsPlan_ = true;

    std::unique_ptr<commission::Record> record_;
    std::unique_ptr<commission::Site> site_;
    commission::SiteKind kind_ = commission::SiteKind::Set;
    commission::Request request_; ///< without a plan: what every reader gets
    /// What the next Start depends on: a field left as it was is no change.
    struct Inputs {
        QString plan;
        bool audit = false;
        Wanted settings{};
        QString record;
        QString report;
        long long lineTest = 0;
        bool card = false;
        bool operator==(const Inputs&) const = default;
    };
    Inputs inputs() const;
    std::optional<Inputs> started_; ///< what the last run, stopped or done, began with
    /// The Site stopped by the user with nothing changed since: Start goes on with it (its rows done and IDs
    /// used stay so).
    bool resumable_ = false;
    bool planDone_ = false; ///< the last run did the plan, and nothing changed since
    /// The dialog's default button while Start must not be: hidden, so Enter presses nothing. Once a dialog has a
    /// default button, Qt gives it back on every focus change unless another takes its place.
    QPushButton* const noDefault_;
    bool running_ = false;
    bool stopAsked_ = false;
    bool closeAsked_ = false;
    std::string replaceDoor_; ///< the door whose reader the next run replaces

    int current_ = -1;                              ///< the table's row under way
    std::optional<commission::ReaderSeen> pending_; ///< a reader found that has no row yet
    commission::Reason head_;        ///< the reader under way and where, above the step under way in the status
    commission::Reason said_;        ///< the status as sayStatus showed it; empty once another is shown
    QString outcome_;                ///< what the last reader's end said, for the removal request
    QString readBack_;               ///< what reading the last reader back found, when it found all as set
    commission::SiteStatus status_;  ///< as the site gave it last, shown after its run too
    std::optional<bool> lastSignal_; ///< the last reader's outcome in this run
    std::function<QString()> idle_;  ///< the status while nothing runs
    int busyPhase_ = 0;

    CardsPanel* cards_ = nullptr;
    QPushButton* btnCards = nullptr;
};

} // namespace console
