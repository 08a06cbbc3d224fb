#pragma once

#include "async/CancelToken.h"
#include "ontime/OntimeGeneration.h"
#include "ontime/OntimeServer.h"
#include "ontime/OntimeSocket.h"
#include "ontime/RuntimeUpdate.h"

#include <QCoroTask>
#include <QObject>
#include <QTimer>

#include <array>
#include <chrono>

struct LegacyPoll;

// The link to one Ontime server: its socket, where the server has one, and its poll otherwise.
// The socket pushes every change the moment it happens; when it ends the link reconnects after
// a short pause. A socket that does not open makes the link ask the poll: a server that
// answers it is polled from then on, and so is one whose socket failed three times in a row
// or broke off soon after opening three times in a row; the socket gets another chance now and
// then. Its verdicts are the same whichever way the server is read: a stretch without word from
// the server as long as three failed polls is an interruption, ten failures in a row lose the
// server. A failure is a request without answer, an answer that does not decode, or a socket
// that closed without a word that counts.
//
// run() is its task; the owner holds the task and cancels it before destroying the link.
class OntimeLink final : public QObject {
    Q_OBJECT
public:
    enum class Kind { none, socket, poll };

    struct Timing {
        std::chrono::milliseconds pollInterval{500};
        OntimeSocket::Limits socket;
        // The pauses before the reconnects that follow a socket's end.
        std::array<std::chrono::milliseconds, 3> reconnectPauses{std::chrono::milliseconds(250),
                                                                 std::chrono::milliseconds(500),
                                                                 std::chrono::milliseconds(1000)};
        // A connection that ends sooner than this counts against the socket, even when the
        // server spoke through it: one that breaks soon after each greeting is not to be
        // reconnected to for ever.
        std::chrono::milliseconds steadyAfter{5000};
        // How long the poll stands in before the socket is tried again.
        std::chrono::milliseconds socketRetry{15000};
        // Whether a server that offers a socket is read through it.
        bool preferSocket = true;
    };

    static constexpr int interruptedAfter = 3;
    static constexpr int lostAfter = 10;

    OntimeLink(const OntimeServer& server, const Timing& timing, QObject* parent = nullptr);
    ~OntimeLink() override;

    const OntimeServer& server() const { return m_server; }
    // How the server is read now.
    Kind kind() const { return m_kind; }

    QCoro::Task<> run(async::CancelToken token);

Q_SIGNALS:
    void kindChanged();
    // The server's running state, from its socket or its poll.
    void updated(const RuntimeUpdate& update, OntimeLink::Kind via);
    void legacyUpdated(const LegacyPoll& poll, qint64 receivedMonotonic);
    // The server has been silent for as long as three failed polls; sent again with each
    // further failure.
    void interrupted();
    // The tenth failure in a row: the link has ended.
    void lost();

private:
    void setKind(Kind kind);
    // Makes the poll the link until the socket is due for another try.
    void pollInstead();
    struct Session {
        OntimeSocket::End end = OntimeSocket::End::aborted;
        bool heard = false;
        qint64 lastedMs = 0;
    };
    // One connection of the socket, from opening it to its end.
    QCoro::Task<Session> socketSession(async::CancelToken token);
    // One poll: whether the server answered with something that decodes, which ends the
    // failures in a row.
    QCoro::Task<bool> pollOnce(async::CancelToken token);
    bool takeOverBody(const QByteArray& body, qint64 receivedMonotonic);
    // Counts a failure; answers false when it was the one that loses the server.
    bool failed();
    std::chrono::milliseconds jitteredPollInterval() const;

    OntimeServer m_server;
    Timing m_timing;
    OntimeGeneration m_generation;
    Kind m_kind = Kind::none;
    int m_failures = 0;
    int m_socketFailures = 0;
    qint64 m_socketRetryAt = 0;
    // Runs while the socket is the link and nothing was heard: its end is the interruption.
    QTimer m_silence;
};
