// Measures how long a change on an Ontime server takes to reach the output of
// `kalvane watch ontime`: a fake server on loopback renames its event at random moments, and
// the time until the first output line that carries the new name is recorded.
//
//   bench_watch_latency [changes] [kalvane binary]      (default 40 changes)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Just enough HTTP/1.1 for the client: one answer per connection.
class FakeOntime final : public QObject {
public:
    FakeOntime() {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, this,
                                 [this, socket] { answer(socket); });
            }
        });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return m_server.serverPort(); }
    void setTitle(const QString& title) { m_title = title; }

private:
    void answer(QTcpSocket* socket) {
        QByteArray request = socket->property("request").toByteArray() + socket->readAll();
        if (!request.contains("\r\n\r\n")) {
            socket->setProperty("request", request);
            return;
        }
        const QByteArray target = request.split(' ').value(1);
        QByteArray body;
        if (target == "/api/version") {
            body = R"({"payload":"4.11.0"})";
        } else if (target == "/api/poll") {
            QJsonObject timer{{QStringLiteral("current"), 600000},
                              {QStringLiteral("playback"), QStringLiteral("pause")},
                              {QStringLiteral("duration"), 900000}};
            QJsonObject event{{QStringLiteral("title"), m_title}};
            body = QJsonDocument(QJsonObject{{QStringLiteral("payload"),
                                              QJsonObject{{QStringLiteral("timer"), timer},
                                                          {QStringLiteral("eventNow"), event}}}})
                       .toJson(QJsonDocument::Compact);
        }
        const QByteArray status = body.isEmpty() ? "404 Not Found" : "200 OK";
        socket->write("HTTP/1.1 " + status +
                      "\r\nContent-Type: application/json\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QString m_title = QStringLiteral("step-0");
};

double percentile(QList<qint64> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<qsizetype>(std::ceil(p * double(values.size()))) - 1;
    return double(values.at(std::clamp<qsizetype>(index, 0, values.size() - 1)));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const int changes = arguments.value(1, QStringLiteral("40")).toInt();
    const QString binary = arguments.value(2, QStringLiteral(KALVANE_BINARY_DEFAULT));

    FakeOntime server;
    if (!server.listen()) {
        std::fprintf(stderr, "bench_watch_latency: cannot listen on loopback\n");
        return 2;
    }

    QProcess watch;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KLV_SCAN_INTERFACES"), QStringLiteral("en9=127.0.1.20/24"));
    environment.insert(QStringLiteral("KLV_STAGETIMER_CLOUD"),
                       QStringLiteral("http://127.0.0.1:9/v1"));
    watch.setProcessEnvironment(environment);
    watch.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    QElapsedTimer clock;
    clock.start();
    int step = 0;
    qint64 changedAt = -1;
    QList<qint64> latencies;
    QByteArray pending;

    QTimer changer;
    changer.setSingleShot(true);
    const auto scheduleChange = [&] {
        // Random phases against the client's poll and tick.
        changer.start(700 + int(QRandomGenerator::global()->bounded(800)));
    };
    QObject::connect(&changer, &QTimer::timeout, [&] {
        server.setTitle(QStringLiteral("step-%1").arg(++step));
        changedAt = clock.elapsed();
    });

    QObject::connect(&watch, &QProcess::readyReadStandardOutput, [&] {
        pending += watch.readAllStandardOutput();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            const QString caption =
                QJsonDocument::fromJson(line).object().value(QStringLiteral("caption")).toString();
            if (changedAt >= 0 && caption == QStringLiteral("step-%1").arg(step)) {
                latencies.append(clock.elapsed() - changedAt);
                changedAt = -1;
                if (latencies.size() >= changes) {
                    watch.terminate();
                    return;
                }
                scheduleChange();
            } else if (step == 0 && caption == u"step-0" && !changer.isActive()) {
                scheduleChange();
            }
        }
    });
    QObject::connect(&watch, &QProcess::finished, &application, &QCoreApplication::quit);

    watch.start(binary,
                {QStringLiteral("watch"), QStringLiteral("ontime"), QStringLiteral("127.0.0.1"),
                 QStringLiteral("--port"), QString::number(server.port())});
    if (!watch.waitForStarted()) {
        std::fprintf(stderr, "bench_watch_latency: cannot start %s\n", qPrintable(binary));
        return 2;
    }
    application.exec();

    if (latencies.isEmpty()) {
        std::fprintf(stderr, "bench_watch_latency: no change was seen\n");
        return 1;
    }
    const double p95 = percentile(latencies, 0.95);
    std::printf("%lld changes: median %.0f ms, 95th percentile %.0f ms, max %.0f ms "
                "(target: 95th percentile within 750 ms) %s\n",
                static_cast<long long>(latencies.size()), percentile(latencies, 0.5), p95,
                percentile(latencies, 1.0), p95 <= 750 ? "OK" : "MISSED");
    return p95 <= 750 ? 0 : 1;
}
