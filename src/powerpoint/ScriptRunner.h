#pragma once

#include "powerpoint/PowerPointQuery.h"

#include <QObject>

#include <functional>
#include <memory>

class QThread;

// Runs the presentation query on a private serial thread, one query at a time, so the main
// thread never waits for PowerPoint. The query object is created and used on that thread
// only.
class ScriptRunner final {
public:
    using QueryFactory = std::function<std::unique_ptr<PowerPointQuery>()>;

    // `factory` is called on the runner's thread before the first query.
    explicit ScriptRunner(QueryFactory factory);
    // Asks a query under way to stop (see PowerPointQuery) and waits for it before the
    // thread ends.
    ~ScriptRunner();

    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // Queues one query; `done` receives the result on `receiver`'s thread, unless the
    // receiver is gone by then.
    void submit(QObject* receiver, std::function<void(ScriptResult)> done);

    // `changed` runs on `receiver`'s thread whenever the query hears of a change between two
    // runs (see PowerPointQuery::setChangeNotifier), unless the receiver is gone by then.
    void setChangeHandler(QObject* receiver, std::function<void()> changed);

    // The name of the thread, the program's reverse-DNS identifier followed by ".powerpoint".
    static QString queueLabel();

private:
    class Worker;
    QThread* m_thread;
    Worker* m_worker;
};
