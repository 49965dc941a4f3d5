#include "site_cards.h"

#include "localisation/message_table.h"
#include "protocol/commands.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace console {

namespace {

QString Tr(localisation::TextId id) {
    return QString::fromUtf8(localisation::Text(id));
}

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

/// Hands each card the polling reads to the panel.
class CardFeed final : public operations::QuietObserver {
public:
    explicit CardFeed(std::function<void(const protocol::PolledEntry&)> feed) : feed_(std::move(feed)) {}
    void cardRead(const protocol::PolledEntry& entry) override { feed_(entry); }

private:
    std::function<void(const protocol::PolledEntry&)> feed_;
};

/// A card that shares its W26 number with another, or was presented again.
const QColor FlaggedBackground{255, 228, 170};

} // namespace

CardsPanel::CardsPanel(readerlink::Link& link, operations::ReaderState& reader, platform::SettingsStore& store,
                       QWidget* parent)
    : QWidget(parent), link_(link), reader_(reader), store_(store), lblCardList(new QLabel(this)),
      edCardList(new QLineEdit(this)), btnCardList(new QPushButton(this)), btnCardsStart(new QPushButton(this)),
      btnCardsStop(new QPushButton(this)), pnCardCount(new QLabel(this)), pnCardStatus(new QLabel(this)),
      tblCards(new QTableWidget(this)) {
    const std::pair<QObject*, const char*> names[] = {
        {lblCardList, "lblCardList"},     {edCardList, "edCardList"},     {btnCardList, "btnCardList"},
        {btnCardsStart, "btnCardsStart"}, {btnCardsStop, "btnCardsStop"}, {pnCardCount, "pnCardCount"},
        {pnCardStatus, "pnCardStatus"},   {tblCards, "tblCards"},
    };
    for (const auto& [object, name] : names)
        object->setObjectName(QString::fromLatin1(name));
    auto* files = new QHBoxLayout;
    files->addWidget(lblCardList);
    files->addWidget(edCardList, 1);
    files->addWidget(btnCardList);
    files->addWidget(btnCardsStart);
    files->addWidget(btnCardsStop);
    files->addWidget(pnCardCount);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(files);
    layout->addWidget(pnCardStatus);
    layout->addWidget(tblCards, 1);
    lblCardList->setBuddy(edCardList);
    pnCardStatus->setWordWrap(true);
    tblCards->setColumnCount(ColumnCount);
    tblCards->verticalHeader()->setVisible(false);
    tblCards->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblCards->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tblCards->horizontalHeader()->setStretchLastSection(true);

    connect(btnCardsStart, &QAbstractButton::clicked, this, &CardsPanel::btnCardsStartClick);
    connect(btnCardsStop, &QAbstractButton::clicked, this, &CardsPanel::btnCardsStopClick);
    connect(btnCardList, &QAbstractButton::clicked, this, &CardsPanel::btnCardListClick);
    retranslate();
    showStatus(Tr(localisation::swCardsReady), true);
    updateControls();
}

CardsPanel::~CardsPanel() = default;

void CardsPanel::retranslate() {
    lblCardList->setText(Tr(localisation::swCardList));
    btnCardList->setText(Tr(localisation::swChoose));
    btnCardsStart->setText(Tr(localisation::swStart));
    btnCardsStop->setText(Tr(localisation::swStop));
    tblCards->setHorizontalHeaderLabels({Tr(localisation::swColName), QStringLiteral("Hex"), QStringLiteral("Decimal"),
                                         QStringLiteral("W26"), QStringLiteral("W34")});
    pnCardCount->setText(
        localisation::Format(localisation::swCardCount, {std::to_string(tblCards->rowCount())}).c_str());
}

void CardsPanel::updateControls() {
    btnCardsStart->setEnabled(!running_);
    btnCardsStop->setEnabled(running_);
    edCardList->setEnabled(!running_);
    btnCardList->setEnabled(!running_);
}

void CardsPanel::showStatus(const QString& text, bool ok) {
    pnCardStatus->setText(text);
    QPalette palette = pnCardStatus->palette();
    palette.setColor(QPalette::WindowText, ok ? palette.color(QPalette::Text) : QColor(192, 0, 0));
    pnCardStatus->setPalette(palette);
}

void CardsPanel::btnCardListClick() {
    const QString path =
        QFileDialog::getSaveFileName(this, Tr(localisation::swCardList), edCardList->text(),
                                     Tr(localisation::swCardFiles), nullptr, QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty())
        edCardList->setText(path);
}

void CardsPanel::btnCardsStopClick() {
    stopAsked_ = true;
    // Card reading ends at the top of its next cycle.
    reader_.CardReadActive = false;
}

void CardsPanel::btnCardsStartClick() {
    if (running_)
        return;
    if (const commission::Failure failure =
            commission::Enrolment::Open(edCardList->text().trimmed().toStdString(), "Card ", enrolment_);
        !failure.ok()) {
        showStatus(Utf8(commission::Say(failure.why)), false);
        link_.system().beep(commission::RepeatCardHz, operations::SignalBeepMs);
        return;
    }
    tblCards->setRowCount(0);
    for (const commission::EnrolledCard& card : enrolment_->cards())
        addRow(card);
    running_ = true;
    stopAsked_ = false;
    updateControls();
    emit runningChanged(true);
    run();
    running_ = false;
    updateControls();
    emit runningChanged(false);
}

void CardsPanel::run() {
    operations::QuietObserver quiet;
    operations::ScanOptions options;
    options.allPortsAtOnce = true;
    options.interrupted = [this] { return stopAsked_; };
    const operations::Result found = operations::Scan({link_, reader_, quiet}, store_, options);
    if (!found.ok()) {
        if (!stopAsked_) {
            showStatus(Tr(localisation::txReaderNotFound), false);
            link_.system().beep(commission::RepeatCardHz, operations::SignalBeepMs);
        }
        return;
    }
    showStatus(QString::fromStdString(localisation::Format(localisation::enStart, {enrolment_->path()})), true);
    CardFeed feed([this](const protocol::PolledEntry& entry) { card(entry); });
    reader_.ReaderFound = true;
    notSaved_ = false;
    const operations::Result result = operations::ReadCards({link_, reader_, feed});
    if (notSaved_)
        return; // said when the row failed
    if (!result.ok()) {
        showStatus(Tr(localisation::txReaderNotFound), false);
        link_.system().beep(commission::RepeatCardHz, operations::SignalBeepMs);
        return;
    }
    const commission::EnrolStatus& status = enrolment_->status();
    showStatus(QString::fromStdString(localisation::Format(
                   localisation::enSummary,
                   {std::to_string(status.added), std::to_string(status.repeats), std::to_string(status.collisions),
                    std::to_string(status.listed), enrolment_->path()})),
               true);
}

void CardsPanel::card(const protocol::PolledEntry& entry) {
    if (entry.keypad || entry.digits.size() != std::size_t(protocol::CardField.length()))
        return;
    const commission::EnrolEvent event = enrolment_->present(entry.number, link_.system().clockMs());
    switch (event.outcome) {
    case commission::EnrolOutcome::Held:
        return;
    case commission::EnrolOutcome::Added: {
        addRow(event.card);
        QString text = QString::fromStdString(
            localisation::Format(localisation::enAdded, {event.card.name, commission::HexText(event.card.value)}));
        if (event.sameW26) {
            text += '\n' + QString::fromStdString(
                               localisation::Format(localisation::enSameW26,
                                                    {event.card.name,
                                                     commission::PairText(commission::ViewsOf(event.card.value).w26),
                                                     event.sameW26->name}))
                               .trimmed();
            for (int column = 0; column < ColumnCount; ++column)
                tblCards->item(tblCards->rowCount() - 1, column)->setBackground(FlaggedBackground);
        }
        showStatus(text, true);
        link_.system().beep(commission::NewCardHz, operations::SignalBeepMs);
        return;
    }
    case commission::EnrolOutcome::Repeat: {
        showStatus(QString::fromStdString(localisation::Format(
                       localisation::enAgain, {event.card.name, commission::HexText(event.card.value)})),
                   true);
        const QList<QTableWidgetItem*> same =
            tblCards->findItems(Utf8(commission::HexText(event.card.value)), Qt::MatchExactly);
        if (!same.isEmpty())
            tblCards->selectRow(same.front()->row());
        link_.system().beep(commission::RepeatCardHz, operations::SignalBeepMs);
        return;
    }
    case commission::EnrolOutcome::NotSaved:
        showStatus(QString::fromStdString(localisation::Format(
                       localisation::enNotSaved, {commission::HexText(event.card.value), enrolment_->error()})),
                   false);
        link_.system().beep(commission::RepeatCardHz, operations::SignalBeepMs);
        notSaved_ = true;
        reader_.CardReadActive = false;
        return;
    }
}

void CardsPanel::addRow(const commission::EnrolledCard& card) {
    const commission::CardViews views = commission::ViewsOf(card.value);
    const int row = tblCards->rowCount();
    tblCards->insertRow(row);
    const QString cells[ColumnCount] = {Utf8(card.name), Utf8(commission::HexText(card.value)),
                                        QString::number(card.value), Utf8(commission::PairText(views.w26)),
                                        Utf8(commission::PairText(views.w34))};
    for (int column = 0; column < ColumnCount; ++column)
        tblCards->setItem(row, column, new QTableWidgetItem(cells[column]));
    tblCards->scrollToBottom();
    pnCardCount->setText(
        QString::fromStdString(localisation::Format(localisation::swCardCount, {std::to_string(row + 1)})));
}

} // namespace console
