#pragma once

#include "async/CancelToken.h"
#include "async/HttpSession.h"
#include "async/TaskHandle.h"
#include "stagetimer/StagetimerState.h"
#include "stagetimer/StagetimerWire.h"
#include "json/CleanText.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

class SettingsStore;

// The connection to one Stagetimer room: finds a working base address, then polls the room
// and keeps its timer state, the showing message and the timer's name. Lives on the main
// thread; the attempt and the poll loop run as one cancellable task.
class StagetimerModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(bool connected READ connected WRITE setConnected NOTIFY connectedChanged)
    Q_PROPERTY(bool connecting READ connecting WRITE setConnecting NOTIFY connectingChanged)
    Q_PROPERTY(QString roomID READ roomID WRITE setRoomID NOTIFY roomIDChanged)
    Q_PROPERTY(QString apiKey READ apiKey WRITE setApiKey NOTIFY apiKeyChanged)
    Q_PROPERTY(QString server READ server WRITE setServer NOTIFY serverChanged)

public:
    template <typename Payload>
    using Result = stagetimer::Result<Payload>;

    // The pace of the client. Tests shorten it; the app uses the defaults.
    struct Timing {
        // Pause between the end of one poll cycle and the start of the next.
        std::chrono::milliseconds cyclePause{1500};
        // A request that receives nothing for this long fails.
        std::chrono::milliseconds requestTimeout{4000};
    };

    explicit StagetimerModel(SettingsStore& settings, QObject* parent = nullptr);
    ~StagetimerModel() override;

    Timing timing() const { return m_timing; }
    // Takes effect with the next request and the next pause.
    void setTiming(Timing timing);

    QString status() const { return m_status; }
    bool connected() const { return m_connected; }
    bool connecting() const { return m_connecting; }
    void setConnected(bool connected);
    void setConnecting(bool connecting);

    // The three settings, trimmed of blanks and tabs when written.
    QString roomID() const;
    void setRoomID(const QString& room);
    QString apiKey() const;
    void setApiKey(const QString& key);
    QString server() const;
    void setServer(const QString& server);

    // Reconnects to the remembered room if the user chose Stagetimer and the room is set.
    void start();
    // Starts a new connection attempt over the candidate base addresses; returns at once.
    void connect();
    // Stops everything and forgets that the user chose Stagetimer.
    void disconnect();
    // Stops the attempt or the poll loop and shows the client as not connected; keeps the
    // settings, so that start() reconnects.
    void suspend();

    // Milliseconds left on the room's timer, negative in overtime; none when unknown or not
    // connected.
    std::optional<double> remainingMs() const;

    // Fed by the answers; nothing is notified when it changes.
    const StagetimerState& state() const { return m_state; }
    // Puts a state in place of what the answers said, until the next answer.
    void setState(const StagetimerState& state) { m_state = state; }

    // The base address every poll uses.
    QString base() const { return m_base; }
    std::optional<QString> timerID() const { return m_timerID; }
    // The timer whose name the state holds.
    std::optional<QString> namedTimerID() const { return m_namedTimerID; }
    // The status of the most recent response of any request; never reset.
    int lastHTTPCode() const { return m_lastHTTPCode; }
    // The connection attempt and, after it, the poll loop. Cancelling it stops both.
    const async::TaskHandle& pollTask() const { return m_pollTask; }

Q_SIGNALS:
    void statusChanged();
    void connectedChanged();
    void connectingChanged();
    void roomIDChanged();
    void apiKeyChanged();
    void serverChanged();
    // Any observable change: a published property, a setting, or the enabled flag.
    void changed();
    // After each successful connection attempt.
    void connectionMade();

private:
    void setStatus(const QString& status);
    // Takes a status answer over; marks the connection as up if it was not.
    void apply(const stagetimer::STStatus& answer);
    // GCC 12 destroys temporaries of a co_await expression twice (captured lambdas and
    // by-value arguments among them), so the coroutines below create each awaited task in a
    // statement of its own and then await the named task.
    QCoro::Task<> attempt(async::CancelToken token);
    QCoro::Task<> pollLoop(async::CancelToken token);

    template <typename Payload>
    QCoro::Task<Result<Payload>> get(const QString& path, const QString& extra,
                                     const async::CancelToken& token, const QString& from);

    SettingsStore& m_settings;
    Timing m_timing;
    async::HttpSession m_session;
    QString m_status;
    bool m_connected = false;
    bool m_connecting = false;
    StagetimerState m_state;
    QString m_base;
    std::optional<QString> m_timerID;
    std::optional<QString> m_namedTimerID;
    int m_lastHTTPCode = 0;
    async::TaskHandle m_pollTask;
};
