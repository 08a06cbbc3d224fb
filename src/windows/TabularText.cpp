#include "windows/TabularText.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace TabularText {

namespace {

qreal digitCell(const QFontMetricsF& metrics) {
    qreal cell = 0;
    for (char16_t c = u'0'; c <= u'9'; ++c)
        cell = std::max(cell, metrics.horizontalAdvance(QChar(c)));
    return cell;
}

} // namespace

qreal width(const QFontMetricsF& metrics, const QString& text) {
    const qreal cell = digitCell(metrics);
    qreal total = 0;
    for (const QChar c : text)
        total += c.isDigit() ? cell : metrics.horizontalAdvance(c);
    return total;
}

void draw(QPainter& painter, const QRectF& rect, Qt::Alignment alignment, const QString& text) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    const qreal cell = digitCell(metrics);
    const qreal total = width(metrics, text);
    qreal x = rect.left();
    if (alignment & Qt::AlignRight)
        x = rect.right() - total;
    else if (alignment & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - total) / 2;
    const qreal baseline = rect.top() + (rect.height() - metrics.height()) / 2 + metrics.ascent();
    for (const QChar c : text) {
        const qreal advance = metrics.horizontalAdvance(c);
        if (c.isDigit()) {
            // Centre the digit in its cell.
            painter.drawText(QPointF(x + (cell - advance) / 2, baseline), QString(c));
            x += cell;
        } else {
            painter.drawText(QPointF(x, baseline), QString(c));
            x += advance;
        }
    }
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
