#pragma once

#include <QStyledItemDelegate>

// Draws one Ontime server of the setup window's list: "host:port" with digits of equal
// width, then "Ontime version" dimmed, and a green check mark at the right on the server the
// client uses now (the row's check state).
class OntimeServerDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The row's data: the server itself is kept under this role.
    static constexpr int serverRole = Qt::UserRole;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
