#pragma once

#include <QFontMetricsF>
#include <QLabel>
#include <QString>

class QPainter;
class QRectF;

// Digits of equal width: numbers that change (a percentage, an address) keep their place
// instead of jittering. Every digit takes a cell as wide as the widest digit of the font.
namespace TabularText {

qreal width(const QFontMetricsF& metrics, const QString& text);
// Draws one line of `text` inside `rect`, aligned horizontally as asked and centred
// vertically.
void draw(QPainter& painter, const QRectF& rect, Qt::Alignment alignment, const QString& text);

} // namespace TabularText

// A one-line label whose digits are drawn with equal widths.
class TabularLabel final : public QLabel {
    Q_OBJECT
public:
    explicit TabularLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
