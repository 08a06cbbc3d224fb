#include "powerpoint/PowerPointWatcher.h"

#include "powerpoint/PowerPoint.h"
#include "powerpoint/PresentationLog.h"

#include <QTimer>

PowerPointWatcher::PowerPointWatcher(PresentationQueries queries, QObject* parent)
    : PowerPointWatcher(std::make_unique<ScriptRunner>(std::move(queries.create)),
                        std::move(queries.allowed), parent) {}

PowerPointWatcher::PowerPointWatcher(std::unique_ptr<ScriptRunner> runner,
                                     std::function<bool()> allowed, QObject* parent)
    : QObject(parent)
    , m_runner(std::move(runner))
    , m_queryAllowed(std::move(allowed)) {
    m_runner->setChangeHandler(this, [this] { pollSoon(); });
}

PowerPointWatcher::~PowerPointWatcher() = default;

void PowerPointWatcher::setInterval(std::chrono::milliseconds interval) {
    m_interval = interval;
    if (m_timer)
        m_timer->setInterval(interval);
}

void PowerPointWatcher::start() {
    if (m_timer)
        return;
    // A Qt timer keeps firing while menus and modal dialogs run their own event loops.
    m_timer = new QTimer(this);
    m_timer->setInterval(m_interval);
    connect(m_timer, &QTimer::timeout, this, &PowerPointWatcher::poll);
    m_timer->start();
    // Ask at once: until the first answer nobody knows whether a show runs.
    poll();
}

void PowerPointWatcher::poll() {
    if (m_busy)
        return;
    // Never send a query that is not allowed now: addressing an absent PowerPoint would launch
    // it.
    if (m_queryAllowed && !m_queryAllowed()) {
        setProgram(QString());
        apply(-1);
        return;
    }
    m_busy = true;
    m_runner->submit(this, [this](ScriptResult result) { handleResult(result); });
}

void PowerPointWatcher::pollSoon() {
    if (m_busy)
        m_pollAgain = true;
    else
        poll();
}

void PowerPointWatcher::handleResult(const ScriptResult& result) {
    m_busy = false;
    m_reported = true;
    if (result.position) {
        setPermissionDenied(false);
        // The end is told with the program whose show ended; another program presenting is
        // another show, and the talk timer starts anew.
        if (m_slideShowRunning && (*result.position < 0 || result.program != m_program))
            endShow();
        setProgram(result.program);
        m_positionKnown = result.positionKnown;
        apply(*result.position);
    } else if (result.error == PowerPoint::errorNotPermitted) {
        setPermissionDenied(true);
        if (m_slideShowRunning)
            endShow();
    } else if (result.error == PowerPoint::errorNotRunning) {
        setProgram(QString());
        if (m_slideShowRunning)
            endShow();
    } else {
        // Any other failure, a timeout among them, leaves everything as it is; the next poll
        // asks again.
        qCDebug(lcPresentation) << "query failed with error" << result.error;
    }
    if (m_pollAgain) {
        m_pollAgain = false;
        poll();
    }
}

void PowerPointWatcher::apply(int position) {
    m_reported = true;
    const bool running = position >= 0;
    if (running == m_slideShowRunning) {
        if (position < 0 || position == m_position)
            return;
        m_position = position;
        qCDebug(lcPresentation) << "slide changed:" << m_program << position;
        Q_EMIT slideChanged();
        return;
    }
    m_slideShowRunning = running;
    m_position = position > 0 ? position : 0;
    if (running) {
        qCDebug(lcPresentation) << "slide show started:" << m_program << m_position;
        Q_EMIT slideShowStarted();
    } else {
        qCDebug(lcPresentation) << "slide show ended";
        Q_EMIT slideShowEnded();
    }
}

void PowerPointWatcher::endShow() {
    m_slideShowRunning = false;
    m_position = 0;
    qCDebug(lcPresentation) << "slide show ended:" << m_program;
    Q_EMIT slideShowEnded();
}

void PowerPointWatcher::setProgram(const QString& program) {
    if (m_program == program)
        return;
    qCDebug(lcPresentation) << "presentation program:"
                            << (program.isEmpty() ? QStringLiteral("none") : program);
    m_program = program;
}

void PowerPointWatcher::setPermissionDenied(bool denied) {
    if (m_permissionDenied == denied)
        return;
    m_permissionDenied = denied;
    qCDebug(lcPresentation) << (denied ? "permission to query refused"
                                       : "permission to query granted");
    Q_EMIT permissionDeniedChanged();
}
