#pragma once

#include "discovery/StagetimerDesktop.h"

#include <QList>
#include <QObject>
#include <QString>

#include <chrono>

class SettingsStore;

namespace Discovery {

// What a network search shows while it runs and after, the same whatever server it looks
// for: the observable half of TimerSearch. The search reads the Ontime port and the remembered
// host afresh from the store on every pass.
class TimerSearchState : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool scanning READ scanning NOTIFY scanningChanged)
    Q_PROPERTY(double scanProgress READ scanProgress NOTIFY scanProgressChanged)
    Q_PROPERTY(QString scanInfo READ scanInfo NOTIFY scanInfoChanged)
    Q_PROPERTY(QList<StagetimerDesktop> stagetimersFound READ stagetimersFound NOTIFY
                   stagetimersFoundChanged)

public:
    TimerSearchState(const SettingsStore& settings, std::chrono::milliseconds rescanPause,
                     QObject* parent = nullptr);

    bool scanning() const { return m_scanning; }
    double scanProgress() const { return m_scanProgress; }
    // The report of the last finished scan.
    QString scanInfo() const { return m_scanInfo; }
    QList<StagetimerDesktop> stagetimersFound() const { return m_stagetimersFound; }

    // The pause after a scan that found nothing, before an auto-connecting search scans again.
    void setRescanPause(std::chrono::milliseconds pause) { m_rescanPause = pause; }
    // The port the scan looks for Stagetimer desktop applications on.
    void setStagetimerPort(qint64 port) { m_stagetimerPort = port; }

    // The owner has cancelled the task the search ran in: it scans no longer.
    void halt() { setScanning(false); }

Q_SIGNALS:
    void scanningChanged();
    void scanProgressChanged();
    void foundChanged();
    void scanInfoChanged();
    void stagetimersFoundChanged();
    // A status line for the owner, sent only while it has no server.
    void statusReported(const QString& status);
    // A search that offers a choice found servers or Stagetimer applications: the found lists
    // hold them. Sent from inside the search.
    void choiceReady();

protected:
    void setScanning(bool scanning);
    void setScanProgress(double progress);
    void setScanInfo(const QString& info);
    void setStagetimersFound(const QList<StagetimerDesktop>& found);

    qint64 port() const;
    // The host to prefer when several servers answer: the one connected to last.
    QString preferredHost() const;
    static QString searchingStatus(bool offerChoice);
    static QString choiceStatus();
    static QString nothingFoundStatus(qint64 port);
    static QString retryStatus(qint64 port);

    std::chrono::milliseconds m_rescanPause;
    qint64 m_stagetimerPort = StagetimerDesktop::defaultPort;

private:
    const SettingsStore& m_settings;
    bool m_scanning = false;
    double m_scanProgress = 0;
    QString m_scanInfo;
    QList<StagetimerDesktop> m_stagetimersFound;
};

} // namespace Discovery
