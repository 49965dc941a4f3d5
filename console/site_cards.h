#pragma once
// The site window's Cards mode: card enrolment as a face of the commissioning library's Enrolment. The panel finds
// the reader, polls it as card reading does, feeds each card to the enrolment and shows what it says: the list as
// a table, the count, the last event, and the tones (1000 Hz a new card, 300 Hz one presented again).

#include "commission/enrolment.h"
#include "link/link.h"
#include "operations/operations.h"
#include "platform/settings_store.h"

#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace console {

class CardsPanel : public QWidget {
    Q_OBJECT

public:
    /// `link`, `reader` and `store` are the site window's; none is owned.
    CardsPanel(readerlink::Link& link, operations::ReaderState& reader, platform::SettingsStore& store,
               QWidget* parent = nullptr);
    ~CardsPanel() override;

    /// The table's columns.
    enum Column { ColName, ColHex, ColDecimal, ColW26, ColW34 };
    static constexpr int ColumnCount = ColW34 + 1;

    bool running() const { return running_; }
    /// Captions in the current language.
    void retranslate();

public slots:
    void btnCardsStartClick();
    void btnCardsStopClick();
    void btnCardListClick();

signals:
    void runningChanged(bool running);

private:
    void run();
    void card(const protocol::PolledEntry& entry);
    void addRow(const commission::EnrolledCard& card);
    void showStatus(const QString& text, bool ok);
    void updateControls();

    readerlink::Link& link_;
    operations::ReaderState& reader_;
    platform::SettingsStore& store_;
    std::unique_ptr<commission::Enrolment> enrolment_;
    bool running_ = false;
    bool stopAsked_ = false;
    bool notSaved_ = false; ///< a row could not be written: the enrolment ended

    QLabel* lblCardList;
    QLineEdit* edCardList;
    QPushButton* btnCardList;
    QPushButton* btnCardsStart;
    QPushButton* btnCardsStop;
    QLabel* pnCardCount;
    QLabel* pnCardStatus;
    QTableWidget* tblCards;
};

} // namespace console
