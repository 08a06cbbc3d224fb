#pragma once

#include "async/CancelToken.h"
#include "discovery/StagetimerDesktop.h"
#include "ontime/OntimeServer.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <functional>

namespace Discovery {

// What one network scan found, with its report text.
struct ScanResult {
    QList<OntimeServer> servers;
    QList<StagetimerDesktop> stagetimers;
    QString info;
};

// Called on the calling thread before each batch with the number of addresses handed out so
// far, the number in total and the Ontime servers found in earlier batches. The next batch
// starts only after it has returned.
using ScanProgress =
    std::function<void(qsizetype done, qsizetype total, const QList<OntimeServer>& servers)>;

inline constexpr qsizetype scanBatchSize = 128;

// Probes every address of the local networks for Ontime on `port` and for a Stagetimer
// desktop application on `stagetimerPort`, 128 addresses at a time with both probes of an
// address running together. The probes run on a thread of their own, so the calling thread
// stays free; progress and the result come back to the calling thread. Cancelling the token
// stops before the next batch, aborts the requests in flight, and still returns what was
// found. Servers and applications are sorted by host.
QCoro::Task<ScanResult> scan(qint64 port, qint64 stagetimerPort, ScanProgress progress,
                             async::CancelToken token = {});

// Compares texts as people read them: runs of digits by their value, so that 192.168.1.9 sorts
// before 192.168.1.10; other characters without regard to case.
int naturalCompare(QStringView a, QStringView b);

// The report's last line: addresses checked, Ontime servers and Stagetimer applications found.
QString scanSummary(qsizetype addresses, qsizetype servers, qsizetype stagetimers);

} // namespace Discovery
