#pragma once

#include <QStringList>

/// The layout names its fonts as Windows does; elsewhere they are drawn with metric-compatible faces.
void InstallFontSubstitutions();

/// The families for text that the layout sets in `layoutFace`, in the language `languageIndex`: the Latin face
/// or its stand-ins, then the faces for that language's Han characters. Han characters differ between the
/// Simplified and Traditional faces; without a face named here Qt would choose one by the system locale.
QStringList LayoutFamilies(const QString& layoutFace, int languageIndex);
