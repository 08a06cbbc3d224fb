// Scans a full /20 block of loopback addresses on which nothing listens, the worst case a
// real network can hand the scan, and reports wall time and peak memory.
//
//   bench_scan [NAME=ADDR/BITS] [runs]      (default en9=127.0.16.20/20, 3 runs)

#include "discovery/Interfaces.h"
#include "discovery/Scan.h"
#include "ontime/OntimeProbe.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const QString interface = arguments.value(1, QStringLiteral("en9=127.0.16.20/20"));
    const int runs = arguments.value(2, QStringLiteral("3")).toInt();

    const auto list = Discovery::parseInterfaceList(interface);
    if (!list || list->isEmpty()) {
        std::fprintf(stderr, "bench_scan: cannot read %s\n", qPrintable(interface));
        return 2;
    }
    for (const Discovery::InterfaceAddress& address : *list) {
        // Loopback only: this benchmark must never touch a real network.
        if ((address.ip >> 24) != 127) {
            std::fprintf(stderr, "bench_scan: %s is not a loopback address\n",
                         qPrintable(Discovery::ipString(address.ip)));
            return 2;
        }
    }
    Discovery::setInterfaceProvider([list = *list] { return list; });

    std::printf("interface %s, peak RSS before: %ld KiB\n", qPrintable(interface), peakRssKiB());
    for (int run = 1; run <= runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        qint64 slowestBatch = 0;
        qint64 lastBatch = 0;
        qsizetype total = 0;
        const Discovery::ScanResult<OntimeServer> result =
            QCoro::waitFor(Discovery::scan<OntimeServer>(
                probeOntime, SettingsDefault::ontimePort, StagetimerDesktop::defaultPort,
                [&](qsizetype done, qsizetype all, const QList<OntimeServer>&) {
                    const qint64 now = timer.elapsed();
                    if (done > 0)
                        slowestBatch = std::max(slowestBatch, now - lastBatch);
                    lastBatch = now;
                    total = all;
                }));
        const qint64 elapsed = timer.elapsed();
        slowestBatch = std::max(slowestBatch, elapsed - lastBatch);
        std::printf("run %d: %lld addresses in %lld ms (slowest batch %lld ms), %lld Ontime, "
                    "peak RSS %ld KiB\n",
                    run, static_cast<long long>(total), static_cast<long long>(elapsed),
                    static_cast<long long>(slowestBatch),
                    static_cast<long long>(result.servers.size()), peakRssKiB());
    }
    return 0;
}
