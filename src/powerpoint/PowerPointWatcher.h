#pragma once

#include "powerpoint/PresentationQueries.h"
#include "powerpoint/ScriptRunner.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

class QTimer;

// Tells whether a presentation program (PowerPoint, or on Linux the programs speakers use
// there) shows a slide show and on which slide. It asks twice a second, off the main thread,
// and turns the answers into start, slide-change and end events.
class PowerPointWatcher final : public QObject {
    Q_OBJECT
public:
    // Polls through the query that `queries` makes, while it allows.
    explicit PowerPointWatcher(PresentationQueries queries, QObject* parent = nullptr);
    // Polls through `runner`, while `allowed` allows (always, when empty); tests pass a runner
    // with a scripted query.
    explicit PowerPointWatcher(std::unique_ptr<ScriptRunner> runner,
                               std::function<bool()> allowed = {}, QObject* parent = nullptr);
    ~PowerPointWatcher() override;

    bool slideShowRunning() const { return m_slideShowRunning; }
    // The slide shown while a show runs and its program tells it; 0 otherwise.
    int position() const { return m_positionKnown ? m_position : 0; }
    // Whether the presenting program tells the slide number; where it does not, slide
    // changes are still reported, and position() stays 0.
    bool positionKnown() const { return m_positionKnown; }
    // The program presenting or, without a show, the one last found open ("PowerPoint",
    // "LibreOffice Impress", "Okular", "pdfpc"); empty while none is open.
    QString program() const { return m_program; }
    bool programOpen() const { return !m_program.isEmpty(); }
    bool permissionDenied() const { return m_permissionDenied; }
    bool busy() const { return m_busy; }
    // Whether the state above comes from an answer yet; until then "no show" only means
    // that nobody has asked.
    bool hasReported() const { return m_reported; }

    // Starts polling; call once, after the signals are connected.
    void start();
    void poll();
    void apply(int position);
    // Hands a finished query's result to the watcher (the runner calls it on the main thread).
    void handleResult(const ScriptResult& result);

    static constexpr std::chrono::milliseconds defaultInterval{500};
    void setInterval(std::chrono::milliseconds interval);

Q_SIGNALS:
    // Sent on the main thread; receivers read the state above.
    void slideShowStarted();
    void slideShowEnded();
    void slideChanged();
    // Whenever permissionDenied changes (for diagnostics output).
    void permissionDeniedChanged();

private:
    void endShow();
    void setProgram(const QString& program);
    void setPermissionDenied(bool denied);
    // A query heard of a change: ask now, or right after the query under way.
    void pollSoon();

    bool m_slideShowRunning = false;
    int m_position = 0;
    bool m_positionKnown = true;
    QString m_program;
    bool m_pollAgain = false;
    bool m_permissionDenied = false;
    bool m_reported = false;
    std::unique_ptr<ScriptRunner> m_runner;
    std::function<bool()> m_queryAllowed;
    bool m_busy = false;
    QTimer* m_timer = nullptr;
    std::chrono::milliseconds m_interval = defaultInterval;
};
