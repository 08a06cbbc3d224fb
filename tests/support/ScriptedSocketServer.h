#pragma once

#include "support/ScriptedHttpServer.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWebSocketProtocol>

#include <functional>

class QTcpSocket;
class QWebSocket;
class QWebSocketServer;

// An Ontime-like server on one loopback port: HTTP from a ScriptedHttpServer and a WebSocket at
// "/ws" played from a script. Every accepted connection first gets the greeting; tests send
// more with send(). How the upgrade is met is the mode's:
//   accept   a QWebSocketServer takes it: proper frames, pings answered;
//   refuse   the HTTP side answers it like any other path (404 unless scripted);
//   raw      upgraded, then unmasked text frames and never an answer to a ping; after the
//            greeting the connection is handed to the raw script, if there is one.
class ScriptedSocketServer final : public QObject {
    Q_OBJECT
public:
    enum class Mode { accept, refuse, raw };

    explicit ScriptedSocketServer(QObject* parent = nullptr);
    ~ScriptedSocketServer() override;

    bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    ScriptedHttpServer& http() { return m_http; }
    QString host() const { return m_http.host(); }
    quint16 port() const { return m_http.port(); }

    void setMode(Mode mode) { m_mode = mode; }
    void setGreeting(const QList<QByteArray>& messages) { m_greeting = messages; }
    // What a raw connection does after its greeting: anything a socket can write.
    void setRawScript(std::function<void(QTcpSocket*)> script) { m_rawScript = std::move(script); }
    // One unmasked text frame, as a server sends it.
    static QByteArray textFrame(const QByteArray& payload);
    // A text message to every open connection.
    void send(const QByteArray& message);
    // Ends every open connection, with a close frame where the mode has them.
    void closeAll(QWebSocketProtocol::CloseCode code);
    // Upgrades accepted so far.
    int upgrades() const { return m_upgrades; }

private:
    bool takeUpgrade(QTcpSocket* socket);
    void acceptRaw(QTcpSocket* socket);

    ScriptedHttpServer m_http;
    QWebSocketServer* m_sockets;
    QList<QPointer<QWebSocket>> m_accepted;
    QList<QPointer<QTcpSocket>> m_raw;
    QList<QByteArray> m_greeting;
    std::function<void(QTcpSocket*)> m_rawScript;
    Mode m_mode = Mode::accept;
    int m_upgrades = 0;
};
