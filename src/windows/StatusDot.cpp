#include "windows/StatusDot.h"

#include "windows/DarkLook.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

StatusDot::StatusDot(QWidget* parent)
    : QWidget(parent) {
    setFixedSize(10, 10);
    setAttribute(Qt::WA_TranslucentBackground);
}

void StatusDot::setState(State state) {
    if (state == m_state)
        return;
    m_state = state;
    update();
}

QColor StatusDot::color() const {
    switch (m_state) {
    case State::ok:
        return DarkLook::green();
    case State::busy:
        return DarkLook::orange();
    case State::idle:
        return DarkLook::grey();
    }
    return DarkLook::grey();
}

void StatusDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color());
    painter.drawEllipse(QRectF(rect()));
}

QHBoxLayout* statusRow(StatusDot*& dot, QLabel*& label, const QString& objectName, int lines) {
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    dot = new StatusDot;
    label = new QLabel;
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    if (lines > 1) {
        label->setWordWrap(true);
        label->setMaximumHeight(lines * label->fontMetrics().lineSpacing() + 2);
    } else {
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    row->addWidget(dot, 0, Qt::AlignVCenter);
    row->addWidget(label, 1);
    return row;
}
