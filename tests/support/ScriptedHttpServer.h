#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server on a loopback address for network tests. It answers each path
// with a scripted response (status, body, delay, trickle, streamed body, dropped or silent
// connection) and records every request for assertions. Any 127.x.y.z address can be bound,
// so several fake hosts can share one machine.
class ScriptedHttpServer final : public QObject {
    Q_OBJECT
public:
    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
        QList<QPair<QByteArray, QByteArray>> headers;
        // Wait this long before answering.
        int delayMs = 0;
        // Send the body in chunks of this many bytes, one chunk every trickleIntervalMs.
        int trickleBytes = 0;
        int trickleIntervalMs = 0;
        // Stream this many bytes of filler after the body, without a Content-Length (or with
        // the one given below), in chunked encoding when asked. The filler goes out only as
        // fast as the client reads it.
        qint64 streamBytes = 0;
        bool chunked = false;
        qint64 announcedLength = -1;
        // Stream the filler inside the head instead, as header lines of this many bytes (one
        // line that never ends when it is longer than the filler): a head without an end.
        qint64 headerLineBytes = 0;
        // Close the connection without answering.
        bool drop = false;
        // Accept the request and never answer.
        bool silent = false;

        static Response json(const QByteArray& body, int status = 200);
        static Response text(const QByteArray& body, int status = 200,
                             const QByteArray& contentType = "text/html");
    };

    struct Request {
        QByteArray method;
        QString path;      // without the leading "/"
        QString query;     // without the "?", still percent-encoded
        QByteArray target; // the request target exactly as received
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray header(const QByteArray& name) const;
    };

    explicit ScriptedHttpServer(QObject* parent = nullptr);
    ~ScriptedHttpServer() override;

    // Listens on `address` (127.0.0.1 unless given) and `port` (any free one for 0).
    bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    void close();
    QString host() const;
    quint16 port() const;
    // "http://host:port"
    QString baseUrl() const;

    // The answer for a path (without the leading "/"). A list plays its responses in order
    // and then repeats the last. Unscripted paths answer 404 with an empty body.
    void setResponse(const QString& path, const Response& response);
    void setResponses(const QString& path, const QList<Response>& responses);
    // Decides every answer itself; wins over the per-path scripts.
    void setHandler(std::function<Response(const Request&)> handler);
    // Offered every connection whose request asks for a WebSocket upgrade, with the request
    // still unread (the request is recorded all the same). Answers whether it took the
    // connection; one it leaves is answered like any other request.
    void setUpgradeHandler(std::function<bool(QTcpSocket*)> handler);

    QList<Request> requests() const { return m_requests; }
    // Bytes of streamed filler handed to the network so far: what a client that stops
    // reading in time never lets grow large.
    qint64 streamedBytes() const { return *m_streamed; }
    QStringList requestedPaths() const;
    int requestCount(const QString& path) const;
    void clearRequests() { m_requests.clear(); }

Q_SIGNALS:
    void requestReceived(const ScriptedHttpServer::Request& request);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    static Request parseRequest(const QByteArray& head);
    Response responseFor(const Request& request);
    void answer(QTcpSocket* socket, const Response& response);
    void writeBody(QTcpSocket* socket, const Response& response, const QByteArray& body);
    void streamFiller(QTcpSocket* socket, const Response& response);

    QTcpServer* m_server;
    QHash<QString, QList<Response>> m_scripts;
    std::function<Response(const Request&)> m_handler;
    std::function<bool(QTcpSocket*)> m_upgradeHandler;
    QList<Request> m_requests;
    std::shared_ptr<qint64> m_streamed = std::make_shared<qint64>(0);
};
