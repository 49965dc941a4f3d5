#include "fonts.h"

#include "platform/faces.h"

#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleOptionGroupBox>
#include <QTextLayout>
#include <QWidget>
#include <QtMath>

namespace console {

namespace {

QStringList Faces(const std::vector<std::string>& faces) {
    QStringList list;
    for (const std::string& face : faces)
        list += QString::fromStdString(face);
    return list;
}

/// The height of `text` laid out in `font`, fallback faces included.
int LineHeight(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    return line.isValid() ? qCeil(line.height()) : 0;
}

class GroupBoxTitleStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override {
        QRect rect = QProxyStyle::subControlRect(control, option, part, widget);
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control == CC_GroupBox && part == SC_GroupBoxLabel && box && widget) {
            // Grown evenly, so the title stays centred where the style puts it.
            const int missing = LineHeight(box->text, widget->font()) - rect.height();
            if (missing > 0)
                rect.adjust(0, -missing / 2, 0, missing - missing / 2);
        }
        return rect;
    }
};

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

void ApplyLanguageFaces(QWidget& window, int languageIndex) {
    QList<QWidget*> widgets = window.findChildren<QWidget*>();
    widgets.prepend(&window);
    for (QWidget* widget : widgets) {
        QFont font = widget->font();
        const QStringList families = LayoutFamilies(font.families().value(0, font.family()), languageIndex);
        if (font.families() == families)
            continue;
        font.setFamilies(families);
        widget->setFont(font);
    }
}

void FitGroupBoxTitle(QGroupBox* box, QStyle* base) {
    auto* style = new GroupBoxTitleStyle(base);
    style->setParent(box);
    box->setStyle(style);
}

QFont LayoutFont(const char* family, int pixels, bool bold) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void Colour(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::ButtonText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace console
