#pragma once

#include <QtGlobal>

#include <optional>

// Folds bursts of change events into single changes. A program that redraws a slide sends a
// handful of events within milliseconds; an event that follows the previous one by less than
// the quiet gap belongs to the same burst. The first event of a burst counts at once, so a
// change is seen without waiting for the burst to end.
class EventBursts {
public:
    static constexpr qint64 defaultQuietGapMs = 250;

    explicit EventBursts(qint64 quietGapMs = defaultQuietGapMs)
        : m_gap(quietGapMs) {}

    // Records an event at `nowMs` (a monotonic clock); true when it starts a new burst.
    bool add(qint64 nowMs);
    // The bursts counted since the last restart.
    int count() const { return m_count; }
    // Starts counting from zero. A burst under way stays one burst: the events that come
    // with the start of a show are not its first change.
    void restart() { m_count = 0; }

private:
    qint64 m_gap;
    std::optional<qint64> m_last;
    int m_count = 0;
};
