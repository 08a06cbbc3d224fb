#include "async/RequestSessions.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadStorage>

#include <atomic>
#include <mutex>

namespace async {
namespace {

std::atomic<qint64> requestTimeoutMs{RequestTimeouts{}.request.count()};
std::atomic<qint64> scanTimeoutMs{RequestTimeouts{}.scan.count()};

// Deleted with their thread; the main thread's when the application object goes away.
QThreadStorage<HttpSession*> requestSessions;
QThreadStorage<HttpSession*> scanSessions;

// The application thread's sessions go while its event loop still exists, so that the replies
// they end are taken down with them.
void dropApplicationSessions() {
    requestSessions.setLocalData(nullptr);
    scanSessions.setLocalData(nullptr);
}

HttpSession& threadSession(QThreadStorage<HttpSession*>& storage, qint64 timeoutMs, qint64 bodyCap,
                           bool keepsConnections) {
    if (!storage.hasLocalData()) {
        if (QCoreApplication::instance() &&
            QThread::currentThread() == QCoreApplication::instance()->thread()) {
            static std::once_flag once;
            std::call_once(once, [] { qAddPostRoutine(&dropApplicationSessions); });
        }
        auto* session = new HttpSession(std::chrono::milliseconds(timeoutMs), bodyCap);
        session->setKeepsConnections(keepsConnections);
        storage.setLocalData(session);
    }
    HttpSession* session = storage.localData();
    session->setTimeout(std::chrono::milliseconds(timeoutMs));
    return *session;
}

// A probe reads a version text or the first bytes of a page: a host on the scanned network
// that streams a huge answer costs no more than this.
constexpr qint64 scanBodyCap = 64 * 1024;

} // namespace

RequestTimeouts requestTimeouts() {
    return RequestTimeouts{std::chrono::milliseconds(requestTimeoutMs.load()),
                           std::chrono::milliseconds(scanTimeoutMs.load())};
}

void setRequestTimeouts(const RequestTimeouts& timeouts) {
    requestTimeoutMs.store(timeouts.request.count());
    scanTimeoutMs.store(timeouts.scan.count());
}

HttpSession& requestSession() {
    // Polls go to the same server twice a second: their connection stays open.
    return threadSession(requestSessions, requestTimeoutMs.load(), HttpSession::defaultBodyCap,
                         true);
}

HttpSession& scanSession() {
    return threadSession(scanSessions, scanTimeoutMs.load(), scanBodyCap, false);
}

} // namespace async
