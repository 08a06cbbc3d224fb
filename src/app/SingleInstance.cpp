#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <algorithm>

namespace {

const QByteArray reopenRequest = "reopen\n";
const QByteArray confirmation = "ok\n";

QString userName() {
    for (const char* variable : {"USER", "LOGNAME", "USERNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("user");
}

} // namespace

QString SingleInstance::serverName(const QString& user, const QString& settingsFile) {
    // A hash keeps the name short (Unix socket paths are limited) and free of slashes, which
    // would make it a path instead of a name in the temporary folder.
    const QByteArray key = (user + u'\n' + settingsFile).toUtf8();
    const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex();
    return QStringLiteral("kalvane-") + QString::fromLatin1(digest.left(24));
}

QString SingleInstance::serverName(const QString& settingsFile) {
    return serverName(userName(), QFileInfo(settingsFile).absoluteFilePath());
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent)
    , m_name(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockFileName() const {
    // A local socket with a plain name lives in the temporary folder.
    return QDir(QDir::tempPath()).filePath(m_name + QStringLiteral(".lock"));
}

SingleInstance::Claim SingleInstance::claim(std::chrono::milliseconds timeout) {
    m_lock = std::make_unique<QLockFile>(lockFileName());
    // Held for the whole run, however long: only a holder that is gone leaves it stale.
    m_lock->setStaleLockTime(std::chrono::milliseconds::zero());
    const QDeadlineTimer deadline(timeout);
    while (true) {
        if (m_lock->tryLock()) {
            // Whoever held the socket before us is gone.
            return listen() ? Claim::first : Claim::unguarded;
        }
        if (m_lock->error() != QLockFile::LockFailedError) {
            m_lock.reset();
            if (askFirstToReopen())
                return Claim::handedOver;
            listen();
            return Claim::unguarded;
        }
        // The holder may still be on its way to listening.
        if (askFirstToReopen(std::min<std::chrono::milliseconds>(
                defaultTimeout, std::chrono::milliseconds(deadline.remainingTime()))))
            return Claim::handedOver;
        if (deadline.hasExpired())
            return Claim::unanswered;
        QThread::msleep(50);
    }
}

bool SingleInstance::askFirstToReopen(std::chrono::milliseconds timeout) {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    const int ms = int(timeout.count());
    if (!socket.waitForConnected(ms))
        return false;
    socket.write(reopenRequest);
    if (!socket.waitForBytesWritten(ms))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(ms))
            return false;
    }
    return socket.readLine() == confirmation;
}

bool SingleInstance::listen() {
    if (m_server)
        return true;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Whoever held the name did not answer askFirstToReopen: its socket is stale.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name)) {
            delete m_server;
            m_server = nullptr;
            return false;
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection())
            handleConnection(socket);
    });
    return true;
}

void SingleInstance::handleConnection(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
            // A peer that sends a stream without a line end is not one of us.
            if (socket->bytesAvailable() > 64)
                socket->abort();
            return;
        }
        if (socket->readLine() != reopenRequest) {
            socket->abort();
            return;
        }
        Q_EMIT reopenRequested();
        socket->write(confirmation);
        socket->disconnectFromServer();
    });
}
