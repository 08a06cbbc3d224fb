#pragma once

#include <QColor>
#include <QWidget>

// The filled 10 × 10 circle beside a status line, in the timer card's accent colours.
class StatusDot final : public QWidget {
    Q_OBJECT
public:
    enum class State { ok, busy, idle };

    explicit StatusDot(QWidget* parent = nullptr);

    State state() const { return m_state; }
    void setState(State state);
    QColor color() const;

    QSize sizeHint() const override { return {10, 10}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    State m_state = State::idle;
};
