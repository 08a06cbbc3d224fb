#include "support/ScriptedHttpServer.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 202:
        return "Accepted";
    case 301:
        return "Moved Permanently";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

ScriptedHttpServer::Response ScriptedHttpServer::Response::json(const QByteArray& body,
                                                                int status) {
    Response response;
    response.status = status;
    response.body = body;
    return response;
}

ScriptedHttpServer::Response ScriptedHttpServer::Response::text(const QByteArray& body, int status,
                                                                const QByteArray& contentType) {
    Response response;
    response.status = status;
    response.body = body;
    response.contentType = contentType;
    return response;
}

QByteArray ScriptedHttpServer::Request::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

ScriptedHttpServer::ScriptedHttpServer(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &ScriptedHttpServer::onNewConnection);
}

ScriptedHttpServer::~ScriptedHttpServer() = default;

bool ScriptedHttpServer::listen(const QHostAddress& address, quint16 port) {
    return m_server->listen(address, port);
}

void ScriptedHttpServer::close() {
    m_server->close();
}

QString ScriptedHttpServer::host() const {
    return m_server->serverAddress().toString();
}

quint16 ScriptedHttpServer::port() const {
    return m_server->serverPort();
}

QString ScriptedHttpServer::baseUrl() const {
    return QStringLiteral("http://%1:%2").arg(host()).arg(port());
}

void ScriptedHttpServer::setResponse(const QString& path, const Response& response) {
    m_scripts.insert(path, {response});
}

void ScriptedHttpServer::setResponses(const QString& path, const QList<Response>& responses) {
    m_scripts.insert(path, responses);
}

void ScriptedHttpServer::setHandler(std::function<Response(const Request&)> handler) {
    m_handler = std::move(handler);
}

void ScriptedHttpServer::setUpgradeHandler(std::function<bool(QTcpSocket*)> handler) {
    m_upgradeHandler = std::move(handler);
}

QStringList ScriptedHttpServer::requestedPaths() const {
    QStringList paths;
    for (const Request& request : m_requests)
        paths << request.path;
    return paths;
}

int ScriptedHttpServer::requestCount(const QString& path) const {
    int count = 0;
    for (const Request& request : m_requests)
        count += request.path == path ? 1 : 0;
    return count;
}

void ScriptedHttpServer::onNewConnection() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    }
}

void ScriptedHttpServer::onReadyRead(QTcpSocket* socket) {
    if (m_upgradeHandler && !socket->property("buffer").isValid()) {
        // Peeked, not read: a connection handed on must still hold its request.
        const QByteArray head = socket->peek(socket->bytesAvailable());
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const Request request = parseRequest(head.left(end));
        if (request.header("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0) {
            socket->disconnect(this);
            disconnect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            if (m_upgradeHandler(socket)) {
                m_requests.append(request);
                Q_EMIT requestReceived(request);
                return;
            }
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        }
    }
    // Requests carry no body: everything up to the blank line is the request.
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("buffer", buffer);
        return;
    }
    socket->setProperty("buffer", buffer.mid(end + 4));

    const Request request = parseRequest(buffer.left(end));
    m_requests.append(request);
    Q_EMIT requestReceived(request);

    const Response response = responseFor(request);
    if (response.silent)
        return;
    if (response.delayMs > 0) {
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(response.delayMs, this, [this, guard, response] {
            if (guard)
                answer(guard, response);
        });
    } else {
        answer(socket, response);
    }
}

ScriptedHttpServer::Request ScriptedHttpServer::parseRequest(const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    Request request;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    QByteArray target = request.target;
    if (const qsizetype question = target.indexOf('?'); question >= 0) {
        request.query = QString::fromLatin1(target.mid(question + 1));
        target.truncate(question);
    }
    request.path = QString::fromUtf8(target.startsWith('/') ? target.mid(1) : target);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return request;
}

ScriptedHttpServer::Response ScriptedHttpServer::responseFor(const Request& request) {
    if (m_handler)
        return m_handler(request);
    auto script = m_scripts.find(request.path);
    if (script == m_scripts.end() || script->isEmpty())
        return Response::text(QByteArray(), 404);
    const Response response = script->first();
    if (script->size() > 1)
        script->removeFirst();
    return response;
}

void ScriptedHttpServer::answer(QTcpSocket* socket, const Response& response) {
    if (response.drop) {
        socket->abort();
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                      reasonPhrase(response.status) + "\r\n";
    if (!response.contentType.isEmpty())
        head += "Content-Type: " + response.contentType + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    if (response.streamBytes == 0)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    else if (response.announcedLength >= 0)
        head += "Content-Length: " + QByteArray::number(response.announcedLength) + "\r\n";
    if (response.chunked)
        head += "Transfer-Encoding: chunked\r\n";
    head += "Connection: close\r\n";
    if (response.headerLineBytes > 0) {
        socket->write(head);
        streamFiller(socket, response);
        return;
    }
    socket->write(head + "\r\n");
    writeBody(socket, response, response.body);
}

void ScriptedHttpServer::writeBody(QTcpSocket* socket, const Response& response,
                                   const QByteArray& body) {
    if (response.trickleBytes > 0 && !body.isEmpty()) {
        socket->write(body.left(response.trickleBytes));
        const QByteArray rest = body.mid(response.trickleBytes);
        if (rest.isEmpty() && response.streamBytes == 0) {
            socket->disconnectFromHost();
            return;
        }
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(response.trickleIntervalMs, this, [this, guard, response, rest] {
            if (guard)
                writeBody(guard, response, rest);
        });
        return;
    }
    const auto frame = [chunked = response.chunked](const QByteArray& data) {
        return chunked ? QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n" : data;
    };
    if (!body.isEmpty())
        socket->write(frame(body));
    if (response.streamBytes > 0) {
        streamFiller(socket, response);
        return;
    }
    if (response.chunked)
        socket->write("0\r\n\r\n");
    socket->disconnectFromHost();
}

void ScriptedHttpServer::streamFiller(QTcpSocket* socket, const Response& response) {
    // Streams filler in pieces so that the client sees a body (or head) that keeps growing,
    // never more than a little ahead of what the client has taken.
    constexpr qint64 pieceBytes = 64 * 1024;
    const qint64 lineBytes = response.headerLineBytes;
    const bool chunked = response.chunked && lineBytes == 0;
    QByteArray filler(pieceBytes, 'x');
    if (lineBytes > 0 && lineBytes <= pieceBytes) {
        filler.clear();
        const QByteArray line =
            "X-Filler: " + QByteArray(std::max<qint64>(0, lineBytes - 12), 'x') + "\r\n";
        while (filler.size() + line.size() <= pieceBytes)
            filler += line;
    } else if (lineBytes > 0) {
        socket->write("X-Filler: ");
    }
    auto remaining = std::make_shared<qint64>(response.streamBytes);
    auto* pump = new QTimer(socket);
    QPointer<QTcpSocket> guard(socket);
    connect(pump, &QTimer::timeout, socket,
            [guard, remaining, pump, chunked, lineBytes, filler, streamed = m_streamed] {
                if (!guard || guard->state() != QAbstractSocket::ConnectedState) {
                    pump->stop();
                    return;
                }
                if (guard->bytesToWrite() > 256 * 1024)
                    return;
                const QByteArray piece = filler.left(std::min<qint64>(*remaining, filler.size()));
                guard->write(chunked
                                 ? QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n"
                                 : piece);
                *streamed += piece.size();
                *remaining -= piece.size();
                if (*remaining <= 0) {
                    pump->stop();
                    if (chunked)
                        guard->write("0\r\n\r\n");
                    else if (lineBytes > 0)
                        guard->write("\r\n\r\n");
                    guard->disconnectFromHost();
                }
            });
    pump->start(1);
}
