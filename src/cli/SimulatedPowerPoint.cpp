#include "cli/SimulatedPowerPoint.h"

#include "powerpoint/PowerPoint.h"
#include "powerpoint/PowerPointQuery.h"

namespace {

class SimulatedQuery final : public PowerPointQuery {
public:
    explicit SimulatedQuery(const SimulatedPowerPoint& show, QElapsedTimer clock)
        : m_show(show)
        , m_clock(clock) {}
    ScriptResult run() override { return {m_show.positionAt(m_clock.elapsed()), 0}; }

private:
    const SimulatedPowerPoint& m_show;
    QElapsedTimer m_clock;
};

} // namespace

SimulatedPowerPoint::SimulatedPowerPoint(Platform& real, int slide,
                                         std::optional<double> changeAfterSeconds,
                                         std::optional<double> endAfterSeconds)
    : m_real(real)
    , m_slide(slide)
    , m_changeAfter(changeAfterSeconds)
    , m_endAfter(endAfterSeconds) {
    m_clock.start();
}

int SimulatedPowerPoint::positionAt(qint64 elapsedMs) const {
    const double seconds = static_cast<double>(elapsedMs) / 1000.0;
    if (m_endAfter && seconds >= *m_endAfter)
        return -1;
    if (m_changeAfter && seconds >= *m_changeAfter)
        return m_slide + 1;
    return m_slide;
}

bool SimulatedPowerPoint::isApplicationRunning(const QString& bundleIdentifier) const {
    if (bundleIdentifier == PowerPoint::bundleIdentifier)
        return true;
    return m_real.isApplicationRunning(bundleIdentifier);
}

bool SimulatedPowerPoint::activateApplication(const QString& bundleIdentifier) {
    if (bundleIdentifier == PowerPoint::bundleIdentifier)
        return true;
    return m_real.activateApplication(bundleIdentifier);
}

std::unique_ptr<PowerPointQuery> SimulatedPowerPoint::createPowerPointQuery() {
    return std::make_unique<SimulatedQuery>(*this, m_clock);
}
