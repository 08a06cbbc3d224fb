#include "powerpoint/ScriptRunner.h"

#include <QPointer>
#include <QThread>

class ScriptRunner::Worker final : public QObject {
public:
    explicit Worker(QueryFactory factory)
        : m_factory(std::move(factory)) {}

    ScriptResult run() {
        if (!m_query && m_factory) {
            m_query = m_factory();
            if (m_query && m_notify)
                m_query->setChangeNotifier(m_notify);
        }
        if (!m_query)
            return {std::nullopt, -1};
        return m_query->run();
    }

    void setNotifier(std::function<void()> notify) {
        m_notify = std::move(notify);
        if (m_query)
            m_query->setChangeNotifier(m_notify);
    }

    // Destroyed on its own thread, so the query goes where it was made.
    void release() { m_query.reset(); }

private:
    QueryFactory m_factory;
    std::function<void()> m_notify;
    std::unique_ptr<PowerPointQuery> m_query;
};

ScriptRunner::ScriptRunner(QueryFactory factory)
    : m_thread(new QThread)
    , m_worker(new Worker(std::move(factory))) {
    m_thread->setObjectName(queueLabel());
    m_worker->moveToThread(m_thread);
    // The thread's last act, however its event loop ended: a queued delete would be lost
    // when the loop quits while a query is still running. Queries still waiting are
    // dropped with the worker.
    QObject::connect(
        m_thread, &QThread::finished, m_thread,
        [worker = m_worker] {
            worker->release();
            delete worker;
        },
        Qt::DirectConnection);
    m_thread->start();
}

ScriptRunner::~ScriptRunner() {
    // A query that waits for an answer gives up at once instead of holding up the quit.
    m_thread->requestInterruption();
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

QString ScriptRunner::queueLabel() {
    return QStringLiteral("org.tessaly.kalvane.powerpoint");
}

void ScriptRunner::submit(QObject* receiver, std::function<void(ScriptResult)> done) {
    QPointer<QObject> target(receiver);
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, target, done = std::move(done)] {
            const ScriptResult result = worker->run();
            if (target)
                QMetaObject::invokeMethod(
                    target.data(), [done, result] { done(result); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void ScriptRunner::setChangeHandler(QObject* receiver, std::function<void()> changed) {
    QPointer<QObject> target(receiver);
    auto notify = [target, changed = std::move(changed)] {
        if (target)
            QMetaObject::invokeMethod(target.data(), changed, Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, notify] { worker->setNotifier(notify); },
        Qt::QueuedConnection);
}
