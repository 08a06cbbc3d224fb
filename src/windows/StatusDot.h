#pragma once

#include <QColor>
#include <QWidget>

class QHBoxLayout;
class QLabel;

// The filled 10 × 10 circle beside a status line, in the timer card's accent colours.
class StatusDot final : public QWidget {
    Q_OBJECT
public:
    enum class State { ok, busy, idle };

    explicit StatusDot(QWidget* parent = nullptr);

    void setState(State state);

    QSize sizeHint() const override { return {10, 10}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color() const;

    State m_state = State::idle;
};

// The row every configuration window shows its state in: a new dot and, beside it, a new
// plain-text label named `objectName`. With `lines` 1 a long text is cut rather than widening
// the window; with more it wraps onto at most that many lines.
QHBoxLayout* statusRow(StatusDot*& dot, QLabel*& label, const QString& objectName, int lines);
