#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QLocalServer;
class QLockFile;
class QLocalSocket;

// Keeps the tray app to one process per user and settings file. A lock file beside the
// socket decides which start serves, also when two start at the same moment: the one that
// holds it listens on a local socket; any other start waits for that socket, asks it to
// reopen (it opens its settings window) and ends. The name comes from the user and the
// settings file, so runs with their own settings (tests, a second profile) never meet.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultTimeout{2000};
    // How long a start that lost the lock waits for the winner to listen and answer.
    static constexpr std::chrono::milliseconds handOverTimeout{10000};

    enum class Claim {
        // This start holds the lock and listens.
        first,
        // Another start serves and has opened its settings window.
        handedOver,
        // Another start holds the lock but did not answer in time.
        unanswered,
        // No lock could be made (an unwritable folder): this start listens without one.
        unguarded,
    };

    static QString serverName(const QString& user, const QString& settingsFile);
    // The name for this user and the given settings file.
    static QString serverName(const QString& settingsFile);

    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Serves as the first instance or hands over to the one that does.
    Claim claim(std::chrono::milliseconds timeout = handOverTimeout);
    // The lock file: the socket's name in the folder that holds the socket, with ".lock".
    QString lockFileName() const;

    // Asks a running first instance to reopen. True once it confirmed; false when nobody
    // listens (also when a crashed run left its socket behind).
    bool askFirstToReopen(std::chrono::milliseconds timeout = defaultTimeout);
    // Becomes the first instance. A socket that nobody answers on is a leftover of a crashed
    // run and is replaced. False when listening failed; the app then runs without the guard.
    bool listen();
    QString name() const { return m_name; }

Q_SIGNALS:
    // A later start asked this one to reopen.
    void reopenRequested();

private:
    void handleConnection(QLocalSocket* socket);

    QString m_name;
    QLocalServer* m_server = nullptr;
    std::unique_ptr<QLockFile> m_lock;
};
