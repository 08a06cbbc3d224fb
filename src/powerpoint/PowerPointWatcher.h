#pragma once

#include "powerpoint/ScriptRunner.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

class QTimer;

// Tells whether PowerPoint shows a slide show and on which slide. It asks twice a second,
// off the main thread, and turns the answers into start, slide-change and end events.
class PowerPointWatcher final : public QObject {
    Q_OBJECT
public:
    // Polls through the platform's presentation query.
    explicit PowerPointWatcher(QObject* parent = nullptr);
    // Polls through `runner`; tests pass one with a scripted query.
    explicit PowerPointWatcher(std::unique_ptr<ScriptRunner> runner, QObject* parent = nullptr);
    ~PowerPointWatcher() override;

    bool slideShowRunning() const { return m_slideShowRunning; }
    int position() const { return m_position; }
    bool permissionDenied() const { return m_permissionDenied; }
    bool busy() const { return m_busy; }

    // Fired on the main thread; receivers read the state above.
    std::function<void()> onSlideShowStart;
    std::function<void()> onSlideShowEnd;
    std::function<void()> onSlideChange;
    // Fired whenever permissionDenied changes (for diagnostics output).
    std::function<void()> onPermissionChange;

    // Starts polling; call once, after the callbacks are installed.
    void start();
    void poll();
    void apply(int position);
    // Hands a finished query's result to the watcher (the runner calls it on the main thread).
    void handleResult(const ScriptResult& result);

    static void openAutomationSettings();

    static constexpr std::chrono::milliseconds defaultInterval{500};
    void setInterval(std::chrono::milliseconds interval);

private:
    void endShow();
    void setPermissionDenied(bool denied);

    bool m_slideShowRunning = false;
    int m_position = 0;
    bool m_permissionDenied = false;
    std::unique_ptr<ScriptRunner> m_runner;
    bool m_busy = false;
    QTimer* m_timer = nullptr;
    std::chrono::milliseconds m_interval = defaultInterval;
};
