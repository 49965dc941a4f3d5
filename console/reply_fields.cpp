#include "reply_fields.h"

#include "link/link.h"

#include <algorithm>

std::string ReplyBytes(int first, int last) {
    const int length = static_cast<int>(ReplyText.size());
    if (first < 1 || last < first || first > length)
        return {};
    return ReplyText.substr(static_cast<std::size_t>(first - 1),
                            static_cast<std::size_t>(std::min(last, length) - first + 1));
}

QString ReplyField(int first, int last) {
    const std::string bytes = ReplyBytes(first, last);
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

int ReplyDigit(int position, int count) {
    const std::string field = ReplyBytes(position, position);
    if (field.size() != 1 || field[0] < '0' || field[0] > '9')
        return -1;
    const int value = field[0] - '0';
    return value < count ? value : -1;
}

std::optional<QString> PolledCardText(const QString& cardIdRow) {
    if (RxCount < MinimumDataReply)
        return std::nullopt;
    if (RxBuffer[6] == 'K') {
        const int length = static_cast<int>(ReplyText.size());
        if (length <= MinimumDataReply)
            return std::nullopt;
        return QStringLiteral("KEY : ") + ReplyField(8, length - 3);
    }
    // Unsigned: a card number of 80000000 hex and above is not negative.
    const std::string digits = ReplyBytes(8, 15);
    return cardIdRow + QString::asprintf(" : %010u  ", HexToUInt32(digits)) +
           QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size())) + QStringLiteral("(H)");
}
