#pragma once

#include <QObject>

#include <chrono>
#include <functional>

class QTimer;

// Counts the 0.25 s ticks of a diagnostic command, calls `onTick` on each, and quits the
// event loop after a given number of ticks (never, without a limit).
class TickLimit final : public QObject {
public:
    static constexpr std::chrono::milliseconds interval{250};

    // `limit` 0 means no limit.
    TickLimit(qint64 limit, std::function<void()> onTick = {}, QObject* parent = nullptr);

    void start();
    qint64 ticks() const { return m_ticks; }

private:
    void tick();

    qint64 m_limit;
    qint64 m_ticks = 0;
    std::function<void()> m_onTick;
    QTimer* m_timer;
};
