#pragma once
// A lamp: a filled circle or rounded rectangle with a thin outline, whose fill the operations change.

#include <QColor>
#include <QWidget>

namespace console {

class TShape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor brushColor READ brushColor WRITE setBrushColor)
    Q_PROPERTY(bool rounded READ rounded WRITE setRounded)

public:
    explicit TShape(QWidget* parent = nullptr);

    QColor brushColor() const { return brush_; }
    void setBrushColor(const QColor& colour);
    /// false: a circle (the link lamp); true: a rounded rectangle (the card lamp).
    bool rounded() const { return rounded_; }
    void setRounded(bool rounded);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor brush_{Qt::white};
    bool rounded_ = false;
};

} // namespace console
