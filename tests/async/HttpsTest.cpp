#include "async/HttpSession.h"
#include "support/TestMain.h"

#include <QCoroTask>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>

using namespace std::chrono_literals;

namespace {

// A key and a self-signed certificate for `altName`, made by the openssl tool.
struct Identity {
    QSslCertificate certificate;
    QSslKey key;
};

Identity makeIdentity(const QTemporaryDir& dir, const QString& altName) {
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    QProcess::execute(
        QStringLiteral("openssl"),
        QStringLiteral("req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=test").split(u' ') +
            QStringList{QStringLiteral("-addext"), QStringLiteral("subjectAltName=") + altName,
                        QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
    QFile keyFile(key);
    QFile certFile(cert);
    if (!keyFile.open(QIODevice::ReadOnly) || !certFile.open(QIODevice::ReadOnly))
        return Identity();
    return Identity{QSslCertificate(&certFile), QSslKey(&keyFile, QSsl::Rsa)};
}

// Answers every request on its TLS connections with a short body, then closes.
class TlsServer : public QSslServer {
public:
    explicit TlsServer(const Identity& identity) {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(identity.certificate);
        config.setPrivateKey(identity.key);
        setSslConfiguration(config);
        connect(this, &QTcpServer::pendingConnectionAvailable, this, &TlsServer::accept);
    }

private:
    void accept() {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                if (!socket->readAll().contains("\r\n\r\n"))
                    return;
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
                socket->disconnectFromHost();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }
};

async::HttpResponse fetch(quint16 port) {
    async::HttpSession session(10s);
    const QUrl url(QStringLiteral("https://127.0.0.1:%1/v1/status").arg(port));
    QCoro::Task<async::HttpResponse> request = session.get(QNetworkRequest(url));
    return QCoro::waitFor(std::move(request));
}

} // namespace

// The cloud timer is reached over TLS by our own HTTP client: it must read an answer from a
// server whose certificate the system trusts for that address, and refuse any other.
class HttpsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void certificateDecidesWhetherTheAnswerIsRead_data() {
        QTest::addColumn<QString>("altName");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<bool>("received");
        QTest::newRow("trusted, for this address")
            << QStringLiteral("IP:127.0.0.1") << true << true;
        QTest::newRow("not trusted") << QStringLiteral("IP:127.0.0.1") << false << false;
        QTest::newRow("trusted, for another name")
            << QStringLiteral("DNS:elsewhere.test") << true << false;
    }

    void certificateDecidesWhetherTheAnswerIsRead() {
        QFETCH(QString, altName);
        QFETCH(bool, trusted);
        QFETCH(bool, received);
        QVERIFY2(QSslSocket::supportsSsl(), "Qt has no TLS backend here");
        QTemporaryDir dir;
        const Identity identity = makeIdentity(dir, altName);
        QVERIFY2(!identity.certificate.isNull() && !identity.key.isNull(),
                 "openssl could not make a certificate");

        const QSslConfiguration before = QSslConfiguration::defaultConfiguration();
        if (trusted) {
            QSslConfiguration config = before;
            config.addCaCertificate(identity.certificate);
            QSslConfiguration::setDefaultConfiguration(config);
        }
        TlsServer server(identity);
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const async::HttpResponse response = fetch(server.serverPort());
        QSslConfiguration::setDefaultConfiguration(before);

        QCOMPARE(response.received, received);
        QCOMPARE(response.body, received ? QByteArray("ok") : QByteArray());
    }
};

KALVANE_TEST_MAIN_CORE(HttpsTest)
#include "HttpsTest.moc"
