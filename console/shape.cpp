#include "shape.h"

#include <QPainter>

namespace console {

TShape::TShape(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TShape::setBrushColor(const QColor& colour) {
    if (colour == brush_)
        return;
    brush_ = colour;
    update();
}

void TShape::setRounded(bool rounded) {
    rounded_ = rounded;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(brush_);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (rounded_) {
        const qreal radius = qMin(box.width(), box.height()) / 4;
        painter.drawRoundedRect(box, radius, radius);
    } else {
        // A circle as wide as the smaller side, centred in the box.
        const qreal d = qMin(box.width(), box.height());
        painter.drawEllipse(QRectF(box.center().x() - d / 2, box.center().y() - d / 2, d, d));
    }
}

} // namespace console
