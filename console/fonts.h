#pragma once

#include <QStringList>

class QColor;
class QFont;
class QGroupBox;
class QStyle;
class QWidget;

namespace console {

/// The layout names its fonts as Windows does; elsewhere they are drawn with metric-compatible faces.
void InstallFontSubstitutions();

/// The families for text that the layout sets in `layoutFace`, in the language `languageIndex`: the Latin face
/// or its stand-ins, then the faces for that language's Han characters. Han characters differ between the
/// Simplified and Traditional faces; without a face named here Qt would choose one by the system locale.
QStringList LayoutFamilies(const QString& layoutFace, int languageIndex);

/// A face of the layout at a size in pixels, as both windows set their controls.
QFont LayoutFont(const char* family, int pixels, bool bold);
/// A panel painted in `background` with `text` in front, as the windows' message and value panels are.
void Colour(QWidget* widget, const QColor& background, const QColor& text);

/// Gives `window` and every widget in it the families of LayoutFamilies for its layout face in the language
/// `languageIndex`.
void ApplyLanguageFaces(QWidget& window, int languageIndex);

/// Han characters come from a fallback face that stands taller than the layout face, and Qt's Windows styles
/// clip a group box's title to the layout face's height. Gives `box` a style that makes room for the title as
/// it is drawn. The style wraps `base`, by default the application's style.
void FitGroupBoxTitle(QGroupBox* box, QStyle* base = nullptr);

} // namespace console
