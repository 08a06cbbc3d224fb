#pragma once

#include <QObject>
#include <QString>

#include <chrono>

class QLocalServer;
class QLocalSocket;

// Keeps the tray app to one process per user and settings file. The first start listens on a
// local socket; a later start finds it there, asks it to reopen (it opens its settings
// window) and ends. The name comes from the user and the settings file, so runs with their
// own settings (tests, a second profile) never meet.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultTimeout{2000};

    static QString serverName(const QString& user, const QString& settingsFile);
    // The name for this user and the given settings file.
    static QString serverName(const QString& settingsFile);

    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

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
};
