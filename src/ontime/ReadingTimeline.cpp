#include "ontime/ReadingTimeline.h"

#include "async/Clock.h"
#include "ontime/OntimeRecords.h"

namespace {

// Which aux timer the second line shows: servers from 4 name one of three ("aux1" …), 3.6 to
// 3.16 have only one ("aux").
int secondaryAuxIndex(const RuntimeData& data) {
    const std::optional<QString> source =
        data.message && data.message->timer ? data.message->timer->secondarySource : std::nullopt;
    if (source == u"aux" || source == u"aux1")
        return 0;
    if (source == u"aux2")
        return 1;
    if (source == u"aux3")
        return 2;
    return -1;
}

// Stamps `reading` with the moment its timer's values came, on both clocks.
void stampArrival(OntimeReading& reading, qint64 receivedMonotonic) {
    const async::Clock& clock = async::Clock::instance();
    reading.pollMonotonic = receivedMonotonic;
    reading.pollTime = clock.nowMs() - (clock.monotonicMs() - receivedMonotonic);
}

} // namespace

OntimeReading ReadingTimeline::next(const OntimeReading& before, const RuntimeUpdate& update,
                                    bool polled) {
    OntimeReading next = takeOver(before, update.data);
    if (update.clock)
        m_clockArrival = update.receivedMonotonic;
    for (size_t i = 0; i < update.aux.size(); ++i) {
        if (update.aux[i])
            m_auxArrival[i] = update.receivedMonotonic;
    }
    if (update.timer)
        stampArrival(next, update.receivedMonotonic);
    if (update.clock && update.data.clock)
        m_serverClock.add(*update.data.clock, update.receivedMonotonic);
    next.clockOffset = polled ? m_serverClock.offset() : std::optional<double>();
    alignToTimer(next, update.data);
    return next;
}

OntimeReading ReadingTimeline::next(const OntimeReading& before, const LegacyPoll& poll,
                                    qint64 receivedMonotonic) {
    OntimeReading next = takeOver(before, poll);
    stampArrival(next, receivedMonotonic);
    return next;
}

void ReadingTimeline::alignToTimer(OntimeReading& reading, const RuntimeData& data) const {
    // A clock or an aux timer that came in a message of its own is moved to the moment the
    // timer's values came.
    const qint64 base = reading.pollMonotonic;
    if (reading.clockMs)
        *reading.clockMs += double(base - m_clockArrival);
    const int index = secondaryAuxIndex(data);
    if (index >= 0 && reading.secondaryAux && reading.secondaryAux->current &&
        reading.secondaryAux->runs) {
        const double moved = double(base - m_auxArrival[size_t(index)]);
        *reading.secondaryAux->current += reading.secondaryAux->countsUp ? moved : -moved;
    }
}
