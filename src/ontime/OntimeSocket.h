#pragma once

#include "ontime/SocketStore.h"

#include <QObject>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

#include <chrono>
#include <optional>

// One connection to an Ontime server's socket, from the upgrade request to its end. It keeps
// the server's running state as the messages tell it and passes on each change, pings the
// server at a steady pace, and ends itself when the server falls silent, closes, floods it or
// sends what no Ontime server sends. Messages and frames are capped; no extension (and so no
// compression) is offered and no cookie is sent or kept. An object serves one connection:
// after `ended` it stays ended.
class OntimeSocket final : public QObject {
    Q_OBJECT
public:
    struct Limits {
        // The largest message (and frame) taken; a larger one ends the connection.
        qint64 maxMessageBytes = 1024 * 1024;
        // From the request to the server's upgrade answer.
        std::chrono::milliseconds handshake{1500};
        // The longest stretch without a message or an answered ping. The server pushes its
        // clock every second.
        std::chrono::milliseconds silence{1500};
        std::chrono::milliseconds pingInterval{1000};
        // More messages than this in one second is a flood, not a timer.
        int maxMessagesPerSecond = 500;
    };

    enum class End {
        // Still connecting or connected.
        none,
        // It never got as far as the upgrade: refused, unreachable, no upgrade, no answer.
        notOpened,
        silent,
        // The server closed the connection, or broke it, or broke the protocol.
        closed,
        flooded,
        // Ended by its owner.
        aborted,
    };

    // The address of a server's socket, or nothing when the host and port form no address.
    static std::optional<QUrl> url(const QString& host, qint64 port);

    OntimeSocket(const QUrl& url, bool batches, const Limits& limits, QObject* parent = nullptr);
    ~OntimeSocket() override;

    void open();
    // Ends the connection at once; `ended` follows.
    void abort();

    End end() const { return m_end; }
    bool hasEnded() const { return m_end != End::none; }
    // Whether the upgrade succeeded, and whether the server said anything that counts since.
    bool opened() const { return m_opened; }
    bool heard() const { return m_heard; }

Q_SIGNALS:
    // The running state changed.
    void updated(const RuntimeUpdate& update);
    // A message that counts, or an answered ping: the server is there.
    void heardFrom();
    // Once, when the connection is over.
    void ended();

private:
    void onConnected();
    void onText(const QString& text);
    void onDisconnected();
    void tick();
    void finish(End end);
    void heardNow();

    QUrl m_url;
    Limits m_limits;
    QWebSocket m_socket;
    SocketStore m_store;
    QTimer m_handshake;
    QTimer m_silence;
    QTimer m_ping;
    QTimer m_rate;
    int m_messagesThisSecond = 0;
    End m_end = End::none;
    bool m_opened = false;
    bool m_heard = false;
};
