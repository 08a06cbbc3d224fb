#include "discovery/Scan.h"

#include "async/HttpSession.h"
#include "async/ImmediateCancellation.h"
#include "async/RequestSessions.h"
#include "async/Suspension.h"
#include "discovery/DiscoveryLog.h"
#include "discovery/Interfaces.h"
#include "discovery/StagetimerProbe.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <mutex>
#include <vector>

namespace Discovery {
namespace {

void resumeSuspension(async::detail::Suspension& suspension) {
    suspension.resume();
}

// Opened once by any thread; a coroutine that awaits it resumes in its own thread. A
// cancellation under ImmediateCancellation in the waiter's thread lets the waiter go on
// before the latch opens: its owner is going away and will not wait for the scan thread.
class Latch {
public:
    explicit Latch(async::CancelToken token)
        : m_token(std::move(token)) {}

    bool isOpen() {
        std::lock_guard lock(m_mutex);
        return m_open;
    }

    void open() {
        std::shared_ptr<async::detail::Suspension> waiter;
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
            waiter = m_waiter;
        }
        if (waiter)
            waiter->post(resumeSuspension);
    }

    auto operator co_await() {
        struct Awaiter {
            Latch& latch;
            quint64 callback = 0;
            bool await_ready() const noexcept { return false; }
            bool await_suspend(std::coroutine_handle<> handle) {
                std::weak_ptr<async::detail::Suspension> weak;
                {
                    std::lock_guard lock(latch.m_mutex);
                    if (latch.m_open)
                        return false;
                    latch.m_waiter = std::make_shared<async::detail::Suspension>(handle);
                    weak = latch.m_waiter;
                }
                callback = latch.m_token.onCancel([weak] {
                    if (!async::ImmediateCancellation::active())
                        return;
                    if (auto waiter = weak.lock())
                        waiter->post(resumeSuspension);
                });
                return true;
            }
            void await_resume() { latch.m_token.removeCallback(callback); }
        };
        return Awaiter{*this};
    }

private:
    async::CancelToken m_token;
    std::mutex m_mutex;
    bool m_open = false;
    std::shared_ptr<async::detail::Suspension> m_waiter;
};

// One scan, shared by the calling thread and the scan thread. The scan thread alone writes
// the findings; the caller reads them only after `finished` has opened.
struct ScanJob {
    ScanJob(std::shared_ptr<detail::ServerProbe> probe, async::CancelToken cancel)
        : servers(std::move(probe))
        , token(cancel)
        , caller(new QObject)
        , finished(std::move(cancel)) {}
    ~ScanJob() {
        // A deferred delete posted while the application object goes away would never run.
        if (caller->thread() == QThread::currentThread())
            delete caller;
        else
            caller->deleteLater();
    }

    QStringList addresses;
    qint64 stagetimerPort = 0;
    std::shared_ptr<detail::ServerProbe> servers;
    async::CancelToken token;
    // Receives the progress calls in the calling thread; lives as long as the job, which
    // the scan thread holds until its work has ended.
    QObject* caller;

    QList<StagetimerDesktop> stagetimers;
    Latch finished;

    QCoro::Task<> work();
    QCoro::Task<> probeDesktop(QString host, async::HttpSession& session);
};

// Hands the progress to the calling thread and waits until the callback has returned there,
// or until the scan is cancelled (which never needs the calling thread, so cancelling and
// then waiting for the scan thread cannot deadlock).
class ProgressAwaiter {
public:
    ProgressAwaiter(ScanJob& job, qsizetype done)
        : m_job(job)
        , m_call(job.servers->progressCall(done, job.addresses.size())) {}

    bool await_ready() const { return !m_call || m_job.token.isCancelled(); }

    void await_suspend(std::coroutine_handle<> handle) {
        m_state = std::make_shared<async::detail::Suspension>(handle);
        std::weak_ptr<async::detail::Suspension> weak = m_state;
        m_callback = m_job.token.onCancel([weak] {
            if (auto state = weak.lock())
                state->post(resumeSuspension);
        });
        QMetaObject::invokeMethod(
            m_job.caller,
            [weak, call = std::move(m_call), token = m_job.token] {
                if (!token.isCancelled())
                    call();
                if (auto state = weak.lock())
                    state->post(resumeSuspension);
            },
            Qt::QueuedConnection);
    }

    void await_resume() {
        if (m_state)
            m_job.token.removeCallback(m_callback);
    }

private:
    ScanJob& m_job;
    std::function<void()> m_call;
    std::shared_ptr<async::detail::Suspension> m_state;
    quint64 m_callback = 0;
};

QCoro::Task<> ScanJob::work() {
    async::HttpSession& session = async::scanSession();
    const qsizetype total = addresses.size();
    for (qsizetype start = 0; start < total; start += scanBatchSize) {
        if (token.isCancelled())
            break;
        co_await ProgressAwaiter(*this, start);
        if (token.isCancelled())
            break;
        const qsizetype end = std::min(total, start + scanBatchSize);
        std::vector<QCoro::Task<>> probes;
        probes.reserve(static_cast<size_t>(2 * (end - start)));
        for (qsizetype i = start; i < end; ++i) {
            probes.push_back(servers->probe(addresses[i], session, token));
            probes.push_back(probeDesktop(addresses[i], session));
        }
        for (QCoro::Task<>& probe : probes)
            co_await probe;
    }
    finished.open();
    QThread::currentThread()->quit();
}

QCoro::Task<> ScanJob::probeDesktop(QString host, async::HttpSession& session) {
    auto probing = probeStagetimer(std::move(host), stagetimerPort, session, token);
    const std::optional<StagetimerDesktop> desktop = co_await std::move(probing);
    if (desktop)
        stagetimers.append(*desktop);
}

// A thread with its own event loop (and so its own scan session) for one scan. Threads still
// running when the application object goes away are cancelled and joined then, so quitting
// during a scan never leaves a thread behind.
class ScanThread final : public QThread {
public:
    explicit ScanThread(std::shared_ptr<ScanJob> job)
        : m_job(std::move(job)) {
        setObjectName(QStringLiteral("Kalvane network scan"));
        QMutexLocker lock(&registryMutex());
        registry().insert(this);
    }

    ~ScanThread() override {
        QMutexLocker lock(&registryMutex());
        registry().remove(this);
    }

    static void launch(std::shared_ptr<ScanJob> job) {
        static std::once_flag once;
        std::call_once(once, [] { qAddPostRoutine(&ScanThread::stopAll); });
        auto* thread = new ScanThread(std::move(job));
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        thread->start();
    }

protected:
    void run() override {
        QCoro::Task<> task = m_job->work();
        if (!task.isReady())
            exec();
    }

private:
    static QMutex& registryMutex() {
        static QMutex mutex;
        return mutex;
    }
    static QSet<ScanThread*>& registry() {
        static QSet<ScanThread*> threads;
        return threads;
    }

    static void stopAll() {
        QList<ScanThread*> threads;
        {
            QMutexLocker lock(&registryMutex());
            threads = registry().values();
        }
        for (ScanThread* thread : threads)
            thread->m_job->token.cancel();
        for (ScanThread* thread : threads) {
            thread->wait();
            delete thread;
        }
    }

    std::shared_ptr<ScanJob> m_job;
};

} // namespace

int naturalCompare(QStringView a, QStringView b) {
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            qsizetype endA = i;
            while (endA < a.size() && isDigit(a[endA]))
                ++endA;
            qsizetype endB = j;
            while (endB < b.size() && isDigit(b[endB]))
                ++endB;
            // Leading zeros do not change the value.
            qsizetype startA = i;
            while (startA + 1 < endA && a[startA] == u'0')
                ++startA;
            qsizetype startB = j;
            while (startB + 1 < endB && b[startB] == u'0')
                ++startB;
            const qsizetype lengthA = endA - startA;
            const qsizetype lengthB = endB - startB;
            if (lengthA != lengthB)
                return lengthA < lengthB ? -1 : 1;
            if (const int c = a.sliced(startA, lengthA).compare(b.sliced(startB, lengthB)); c != 0)
                return c < 0 ? -1 : 1;
            i = endA;
            j = endB;
            continue;
        }
        const char32_t ca = a[i].toCaseFolded().unicode();
        const char32_t cb = b[j].toCaseFolded().unicode();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    // Equal as read; fall back to the exact text so that the order is total.
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QString scanSummary(qsizetype addresses, qsizetype servers, qsizetype stagetimers) {
    QString summary =
        L10n::fill(L10n::lookup(u"%d Adressen geprüft, %d Ontime gefunden"), {addresses, servers});
    if (stagetimers > 0)
        summary += QStringLiteral(", ") +
                   L10n::fill(L10n::lookup(u"%d Stagetimer gefunden"), {stagetimers});
    return summary;
}

namespace detail {

QCoro::Task<ScanRun> runScan(std::shared_ptr<ServerProbe> servers, qint64 stagetimerPort,
                             async::CancelToken token) {
    const AddressPlan plan = addressPlan(localIPv4());
    QElapsedTimer clock;
    clock.start();

    auto job = std::make_shared<ScanJob>(std::move(servers), token);
    job->addresses = plan.addresses;
    job->stagetimerPort = stagetimerPort;

    ScanThread::launch(job);
    co_await job->finished;

    ScanRun run;
    run.reportLines = plan.reportLines;
    run.addresses = plan.addresses.size();
    run.finished = job->finished.isOpen();
    // Before the latch opens the scan thread still writes the findings: a caller that goes
    // away early gets none.
    if (run.finished)
        run.stagetimers = std::move(job->stagetimers);
    std::stable_sort(run.stagetimers.begin(), run.stagetimers.end(),
                     [](const StagetimerDesktop& a, const StagetimerDesktop& b) {
                         return naturalCompare(a.host, b.host) < 0;
                     });
    qCDebug(lcDiscovery) << "scan of" << run.addresses << "addresses"
                         << (token.isCancelled() ? "cancelled" : "done") << "after"
                         << clock.elapsed() << "ms";
    co_return run;
}

QString reportText(const ScanRun& run, qsizetype servers) {
    return run.reportLines.join(u'\n') + u'\n' +
           scanSummary(run.addresses, servers, run.stagetimers.size());
}

} // namespace detail

} // namespace Discovery
