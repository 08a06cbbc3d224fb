#pragma once

#include "async/CancelToken.h"
#include "async/RequestSessions.h"
#include "async/TaskHandle.h"
#include "discovery/StagetimerDesktop.h"
#include "discovery/TimerSearch.h"
#include "ontime/OntimeFinder.h"
#include "ontime/OntimeLink.h"
#include "ontime/OntimeReading.h"
#include "ontime/OntimeServer.h"
#include "ontime/ReadingTimeline.h"
#include "ontime/TimeFormat.h"
#include "json/CleanText.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class SettingsStore;
struct PollResponse;
struct LegacyPoll;

// The client of one Ontime server: finds it (remembered host, typed host or network scan),
// follows it through its link (the server's socket, or its poll), keeps the last values of its
// timer and messages, notices a lost connection and finds the server again by itself. Once a
// server has been in use, losing it makes the client wait for that server: it never moves on
// to another one unless the user chooses it. Lives on the main thread; its tasks run there
// and suspend while requests are out.
//
// The properties below are observable and notify on change; those of the search (found,
// scanInfo, scanning, scanProgress, stagetimersFound) are its network search's, passed on. The
// timer and message fields of the reading are plain; updated() tells that an answer or a
// message was taken over, and connect() to a server and disconnect() send changed().
class OntimeModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<OntimeServer> server READ server NOTIFY serverChanged)
    Q_PROPERTY(QList<OntimeServer> found READ found NOTIFY foundChanged)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(QString scanInfo READ scanInfo NOTIFY scanInfoChanged)
    Q_PROPERTY(bool scanning READ scanning NOTIFY scanningChanged)
    Q_PROPERTY(double scanProgress READ scanProgress NOTIFY scanProgressChanged)
    Q_PROPERTY(bool connected READ connected NOTIFY connectedChanged)
    Q_PROPERTY(QList<StagetimerDesktop> stagetimersFound READ stagetimersFound NOTIFY
                   stagetimersFoundChanged)

public:
    // The intervals of the client: those of the link, the search and the requests. Tests
    // shorten them; the program uses these values.
    struct Timing : OntimeLink::Timing {
        std::chrono::milliseconds rescanPause{5000};
        // The request timeouts are those of the shared sessions and so hold for the whole
        // process.
        std::chrono::milliseconds requestTimeout = async::RequestTimeouts{}.request;
        std::chrono::milliseconds scanTimeout = async::RequestTimeouts{}.scan;
    };

    explicit OntimeModel(SettingsStore& settings, QObject* parent = nullptr);
    ~OntimeModel() override;

    Timing timing() const { return m_timing; }
    void setTiming(const Timing& timing);
    // The port the scan looks for Stagetimer desktop applications on.
    void setStagetimerPort(qint64 port) { m_search.setStagetimerPort(port); }

    std::optional<OntimeServer> server() const { return m_server; }
    QList<OntimeServer> found() const { return m_search.found(); }
    QString status() const { return m_status; }
    QString scanInfo() const { return m_search.scanInfo(); }
    bool scanning() const { return m_search.scanning(); }
    double scanProgress() const { return m_search.scanProgress(); }
    bool connected() const { return m_connected; }
    QList<StagetimerDesktop> stagetimersFound() const { return m_search.stagetimersFound(); }

    // What the server said last; the accessors below read it.
    const OntimeReading& reading() const { return m_reading; }
    // Remaining milliseconds at the last poll answer, negative in overtime.
    std::optional<double> current() const { return m_reading.current; }
    QString playback() const { return m_reading.playback; }
    QString eventTitle() const { return m_reading.eventTitle; }
    std::optional<double> durationMs() const { return m_reading.durationMs; }
    std::optional<double> addedMs() const { return m_reading.addedMs; }
    std::optional<double> warningMs() const { return m_reading.warningMs; }
    std::optional<double> dangerMs() const { return m_reading.dangerMs; }
    QString timerMessage() const { return m_reading.timerMessage; }
    bool timerMessageBlinks() const { return m_reading.timerMessageBlinks; }
    QString secondaryMessage() const { return m_reading.secondaryMessage; }
    // When the last poll answer arrived, in milliseconds since the epoch.
    qint64 pollTime() const { return m_reading.pollTime; }
    const async::TaskHandle& pollTask() const { return m_pollTask; }
    // How the server is read now: through its socket, its poll, or not at all.
    OntimeLink::Kind link() const {
        return m_link && m_server ? m_link->kind() : OntimeLink::Kind::none;
    }
    // How the server's own timer view rounds a count-down to whole seconds.
    SecondsRule secondsRule() const;
    const async::TaskHandle& scanTask() const { return m_finder.task(); }

    // Reconnects to the remembered server when Ontime is enabled; otherwise does nothing.
    void start();
    // Connects to a server and starts polling it. Remembers it and makes Ontime the source.
    void connect(const OntimeServer& to);
    // Probes an address the user typed ("host", "host:port" or an http(s) URL; a port in the
    // text wins over the configured one) and connects on success. The probe is not stopped
    // by disconnect(), only by the next typed address.
    void connect(const QString& host);
    // Starts a network search, replacing a running one.
    void search(bool autoConnect, bool offerChoice);
    // Stops everything and forgets that Ontime is enabled.
    void disconnect();
    // Stops polling and searching; keeps the settings and the status line, so that start()
    // reconnects.
    void suspend();

    // The remaining time now: runs on between polls while the timer plays; absent while not
    // connected, stopped, or armed at zero.
    std::optional<double> remainingMs() const;
    // The clock text of remaining milliseconds, rounded up to whole seconds.
    static QString format(double ms);
    // The same with the whole seconds rounded by `rule`.
    static QString format(double ms, SecondsRule rule);

    // Takes over the values of a poll answer as the poll loop does; the moment of the last
    // answer stays.
    void takeOver(const PollResponse& response);
    void takeOver(const LegacyPoll& poll);

Q_SIGNALS:
    void serverChanged();
    void foundChanged();
    void statusChanged();
    void scanInfoChanged();
    void scanningChanged();
    void scanProgressChanged();
    void connectedChanged();
    void stagetimersFoundChanged();
    // Sent explicitly by connect() to a server and by disconnect().
    void changed();
    // An answer or a message of the server was taken over into the reading.
    void updated();
    void linkChanged();
    // A search that offers a choice found servers or Stagetimer applications. Sent from inside
    // the search: a receiver that opens a dialog connects with Qt::QueuedConnection.
    void choiceOffered(const QList<OntimeServer>& ontimes,
                       const QList<StagetimerDesktop>& stagetimers);
    // At the end of every connect() to a server.
    void connectionMade();

private:
    void setServer(const std::optional<OntimeServer>& server);
    void setStatus(const QString& status);
    void setConnected(bool connected);
    // Cancels the search, reconnect or wait; a cancelled search leaves `scanning` to us.
    void stopSearching();

    // Connects as connect() does, without being the user's choice: the server in use stays.
    void attach(const OntimeServer& to);
    // What the link reports.
    void takeOverUpdate(const RuntimeUpdate& update, OntimeLink::Kind via);
    void takeOverLegacy(const LegacyPoll& poll, qint64 receivedMonotonic);
    void heardFrom();
    void linkInterrupted();
    void linkLost();

    SettingsStore& m_settings;
    Timing m_timing;
    std::optional<OntimeServer> m_server;
    QString m_status;
    bool m_connected = false;
    OntimeReading m_reading;
    ReadingTimeline m_timeline;
    Discovery::TimerSearch<OntimeServer> m_search;
    // The link to `m_server`; its task is m_pollTask.
    std::unique_ptr<OntimeLink> m_link;
    async::TaskHandle m_pollTask;
    // Finds the server again, and remembers the one in use: while it is gone the client
    // waits for it.
    OntimeFinder m_finder;
    // The probe of the last typed host: a newer one replaces it, so that the older answer
    // can never win; disconnect() leaves it alone.
    async::TaskHandle m_typedProbe;
};

// A typed host without the blanks and tabs at its ends; line breaks stay.
inline QString trimmedHost(const QString& text) {
    return trimBlanks(text);
}
