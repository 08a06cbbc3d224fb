#pragma once

#include "overlay/TimerDisplay.h"

#include <QObject>

// Holds what the timer window shows. Every assignment notifies, also of an equal record:
// the view simply draws the same content again.
class OverlayModel final : public QObject {
    Q_OBJECT
public:
    explicit OverlayModel(QObject* parent = nullptr);

    const TimerDisplay& display() const { return m_display; }
    void setDisplay(const TimerDisplay& display);

Q_SIGNALS:
    void displayChanged();

private:
    TimerDisplay m_display = TimerDisplay::initial();
};
