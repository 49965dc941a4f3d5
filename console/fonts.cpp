#include "fonts.h"

#include "platform/faces.h"

#include <QFont>

namespace {

QStringList Faces(const std::vector<std::string>& faces) {
    QStringList list;
    for (const std::string& face : faces)
        list += QString::fromStdString(face);
    return list;
}

} // namespace

void InstallFontSubstitutions() {
    for (const QString& face : {QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif")}) {
        QStringList standIns = Faces(platform::LatinFaces(face.toStdString()));
        standIns.removeAll(face);
        QFont::insertSubstitutions(face, standIns);
    }
}

QStringList LayoutFamilies(const QString& layoutFace, int languageIndex) {
    return Faces(platform::LatinFaces(layoutFace.toStdString())) + Faces(platform::HanFaces(languageIndex == 2));
}
