#include "reply_fields.h"

#include "link/link.h"

std::string ReplyBytes(int first, int last) {
    return ReplyBytes(ReplyText, first, last);
}

QString ReplyField(int first, int last) {
    const std::string bytes = ReplyBytes(first, last);
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

int ReplyDigit(int position, int count) {
    return ReplyDigit(ReplyText, position, count);
}

std::optional<QString> PolledCardText(const QString& cardIdRow) {
    const std::optional<PolledEntry> entry =
        ReadPolledEntry(std::span(RxBuffer, static_cast<std::size_t>(RxCount)), ReplyText);
    if (!entry)
        return std::nullopt;
    const QString characters =
        QString::fromLatin1(entry->characters.data(), static_cast<qsizetype>(entry->characters.size()));
    if (entry->keypad)
        return QStringLiteral("KEY : ") + characters;
    // Unsigned: a card number of 80000000 hex and above is not negative.
    return cardIdRow + QString::asprintf(" : %010u  ", entry->number) + characters + QStringLiteral("(H)");
}
