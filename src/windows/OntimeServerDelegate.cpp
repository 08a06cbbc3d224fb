#include "windows/OntimeServerDelegate.h"

#include "ontime/OntimeServer.h"
#include "windows/DarkLook.h"
#include "windows/TabularText.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int padding = 8;
constexpr int checkSize = 14;

void drawCheckMark(QPainter& painter, const QRectF& box) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(DarkLook::green());
    painter.drawEllipse(box);
    QPainterPath tick;
    tick.moveTo(box.left() + box.width() * 0.28, box.top() + box.height() * 0.52);
    tick.lineTo(box.left() + box.width() * 0.44, box.top() + box.height() * 0.68);
    tick.lineTo(box.left() + box.width() * 0.73, box.top() + box.height() * 0.34);
    painter.setPen(QPen(QColor(0x10, 0x10, 0x10), box.width() * 0.14, Qt::SolidLine, Qt::RoundCap,
                        Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
}

} // namespace

void OntimeServerDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const auto server = index.data(serverRole).value<OntimeServer>();
    const QString address = server.host + u':' + QString::number(server.port);
    const QString version = QStringLiteral("Ontime ") + server.version;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool selected = option.state & QStyle::State_Selected;
    QRectF area = QRectF(option.rect).adjusted(padding, 0, -padding, 0);
    painter->setFont(option.font);
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                             : option.palette.color(QPalette::Text));
    TabularText::draw(*painter, area, Qt::AlignLeft, address);
    const qreal addressWidth =
        TabularText::width(QFontMetricsF(option.font, painter->device()), address);

    const bool current = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    QRectF versionArea = area.adjusted(addressWidth + padding, 0, 0, 0);
    if (current)
        versionArea.setRight(area.right() - checkSize - padding);
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                             : DarkLook::secondaryText());
    const QFontMetricsF metrics(option.font, painter->device());
    painter->drawText(versionArea, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(version, Qt::ElideRight, versionArea.width()));

    if (current) {
        const QRectF box(area.right() - checkSize, area.center().y() - checkSize / 2.0, checkSize,
                         checkSize);
        drawCheckMark(*painter, box);
    }
    painter->restore();
}

QSize OntimeServerDelegate::sizeHint(const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), option.fontMetrics.height() + 8));
    return size;
}
