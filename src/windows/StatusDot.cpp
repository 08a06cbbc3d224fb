#include "windows/StatusDot.h"

#include "windows/DarkLook.h"

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
