#include "fonts.h"

#include <QFont>
#include <QStringList>

void InstallFontSubstitutions() {
    // Liberation Sans has the metrics of the Windows sans faces; wider faces overflow the fixed-size buttons.
    const QStringList faces{QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), faces);
    QFont::insertSubstitutions(QStringLiteral("Microsoft Sans Serif"), faces);
}
