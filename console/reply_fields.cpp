#include "reply_fields.h"

#include "link/link.h"

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
