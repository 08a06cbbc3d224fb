#include "app/TalkTimer.h"

#include "app/CountdownBar.h"
#include "l10n/L10n.h"
#include "ontime/TimeFormat.h"

void TalkTimer::reset() {
    m_start.reset();
    m_end.reset();
}

void TalkTimer::slideChanged(qint64 nowMs) {
    if (!m_start)
        m_start = nowMs;
}

void TalkTimer::showEnded(qint64 nowMs) {
    if (m_start && !m_end)
        m_end = nowMs;
}

qint64 TalkTimer::elapsedMs(qint64 nowMs) const {
    if (!m_start)
        return 0;
    const qint64 until = m_end.value_or(nowMs);
    // A clock set back during the talk must not show a negative time.
    return std::max<qint64>(0, until - *m_start);
}

qint64 TalkTimer::elapsedSeconds(qint64 nowMs) const {
    return elapsedMs(nowMs) / 1000;
}

QString TalkTimer::format(qint64 seconds) {
    return QString::asprintf("%02lld:%02lld:%02lld", seconds / 3600, (seconds / 60) % 60,
                             seconds % 60);
}

TimerDisplay TalkTimer::display(bool slideShowRunning, qint64 nowMs,
                                qint64 talkLengthMinutes) const {
    return talkLengthMinutes > 0 ? countdownDisplay(slideShowRunning, nowMs, talkLengthMinutes)
                                 : stopwatchDisplay(slideShowRunning, nowMs);
}

TimerDisplay TalkTimer::stopwatchDisplay(bool slideShowRunning, qint64 nowMs) const {
    TimerDisplay display;
    display.caption = !m_start && slideShowRunning
                          ? L10n::lookup(u"Vortragszeit – startet mit dem ersten Klick")
                          : L10n::lookup(u"Vortragszeit");
    display.time = format(elapsedSeconds(nowMs));
    display.tone = isRunning() ? Tone::running : Tone::idle;
    display.blink = false;
    display.progress.reset();
    display.barTone = BarTone::normal;
    return display;
}

TimerDisplay TalkTimer::countdownDisplay(bool slideShowRunning, qint64 nowMs,
                                         qint64 minutes) const {
    const double totalMs = double(minutes) * 60000;
    const double remainingMs = totalMs - double(elapsedMs(nowMs));
    TimerDisplay display;
    display.caption = !m_start && slideShowRunning
                          ? L10n::lookup(u"Redezeit – startet mit dem ersten Klick")
                          : L10n::lookup(u"Redezeit");
    display.time = formatRemaining(remainingMs);
    // Overtime stays red after the show ends, as a stopped Ontime timer in overtime does: the
    // speaker sees afterwards by how much the slot was overrun.
    display.tone = remainingMs < 0 ? Tone::overtime : isRunning() ? Tone::running : Tone::idle;
    display.blink = false;
    const CountdownBar bar = CountdownBar::of(remainingMs, totalMs);
    display.progress = bar.progress;
    display.barTone = bar.tone;
    return display;
}
