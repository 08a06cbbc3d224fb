#pragma once

#include "support/ScriptedHttpServer.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWebSocketProtocol>

class QTcpSocket;
class QWebSocket;
class QWebSocketServer;

// An Ontime-like server on one loopback port: HTTP from a ScriptedHttpServer and a WebSocket at
// "/ws" played from a script. Every accepted connection first gets the greeting; tests send
// more with send(). How the upgrade is met is the mode's:
//   accept   a QWebSocketServer takes it: proper frames, pings answered;
//   refuse   the HTTP side answers it like any other path (404 unless scripted);
//   silent   upgraded, then nothing ever again: no message, no answer to a ping;
//   raw      upgraded, then only what the test writes with writeRaw() (frame() builds frames).
class ScriptedSocketServer final : public QObject {
    Q_OBJECT
public:
    enum class Mode { accept, refuse, silent, raw };

    explicit ScriptedSocketServer(QObject* parent = nullptr);
    ~ScriptedSocketServer() override;

    bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    ScriptedHttpServer& http() { return m_http; }
    QString host() const { return m_http.host(); }
    quint16 port() const { return m_http.port(); }

    void setMode(Mode mode) { m_mode = mode; }
    void setGreeting(const QList<QByteArray>& messages) { m_greeting = messages; }
    // Text messages to every open connection (accept and raw modes).
    void send(const QByteArray& message);
    void writeRaw(const QByteArray& bytes);
    // Ends every open connection: with a close frame, or by dropping the TCP connection.
    void closeAll(QWebSocketProtocol::CloseCode code);
    void dropAll();
    // Upgrades accepted so far, and connections open now.
    int upgrades() const { return m_upgrades; }
    int openConnections() const;

    // A frame as a server sends it (unmasked). `announced` claims another length than the
    // payload's, for frames that are cut short or never end.
    static QByteArray frame(const QByteArray& payload, quint8 opcode = 0x1, bool final = true,
                            qint64 announced = -1);

private:
    bool takeUpgrade(QTcpSocket* socket);
    void acceptRaw(QTcpSocket* socket);

    ScriptedHttpServer m_http;
    QWebSocketServer* m_sockets;
    QList<QPointer<QWebSocket>> m_accepted;
    QList<QPointer<QTcpSocket>> m_raw;
    QList<QByteArray> m_greeting;
    Mode m_mode = Mode::accept;
    int m_upgrades = 0;
};
