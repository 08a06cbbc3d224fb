#include "windows/TabularText.h"

#include "overlay/DigitCells.h"

#include <QPainter>

#include <cmath>

namespace TabularText {

qreal width(const QFontMetricsF& metrics, const QString& text) {
    return DigitCells(DigitCells::clustersOf(text), metrics).width();
}

void draw(QPainter& painter, const QRectF& rect, Qt::Alignment alignment, const QString& text) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    const DigitCells line(DigitCells::clustersOf(text), metrics);
    qreal x = rect.left();
    if (alignment & Qt::AlignRight)
        x = rect.right() - line.width();
    else if (alignment & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - line.width()) / 2;
    const qreal baseline = rect.top() + (rect.height() - metrics.height()) / 2 + metrics.ascent();
    line.place(x, [&](const QString& cluster, double left) {
        painter.drawText(QPointF(left, baseline), cluster);
    });
}

} // namespace TabularText

TabularLabel::TabularLabel(QWidget* parent)
    : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

QSize TabularLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    const QMargins m = contentsMargins();
    return QSize(int(std::ceil(TabularText::width(metrics, text()))) + m.left() + m.right(),
                 int(std::ceil(metrics.height())) + m.top() + m.bottom());
}

void TabularLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    TabularText::draw(painter, QRectF(contentsRect()), alignment(), text());
}
