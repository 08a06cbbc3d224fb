#pragma once

#include "async/CancelToken.h"
#include "async/TaskHandle.h"
#include "discovery/TimerSearch.h"
#include "ontime/OntimeServer.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

class SettingsStore;

// The status line while `server` does not answer.
QString interruptedStatus(const OntimeServer& server);

// Finds the Ontime client its server: the remembered host first and then the network, or a
// search the user started. Once a server has been in use during this run, it waits for that
// one alone while it is gone and never offers another to connect to by itself. One task runs
// at a time; a new one replaces it. It reports what it finds; connecting is the client's.
class OntimeFinder final : public QObject {
    Q_OBJECT
public:
    OntimeFinder(SettingsStore& settings, Discovery::TimerSearch<OntimeServer>& search,
                 QObject* parent = nullptr);
    ~OntimeFinder() override;

    void setRescanPause(std::chrono::milliseconds pause) { m_rescanPause = pause; }

    // The server that answered last during this run, until the user chooses another one or
    // none.
    const std::optional<OntimeServer>& inUse() const { return m_inUse; }
    void setInUse(const std::optional<OntimeServer>& server) { m_inUse = server; }
    // Whether a search or a wait may connect to `server` by itself.
    bool mayAttach(const OntimeServer& server) const;

    // The remembered host, then a search that connects to the first server found.
    void reconnect();
    // A search; `attached` tells whether the client has a server now.
    void search(bool autoConnect, bool offerChoice, bool attached);
    // Waits for `server` until it answers again, searching the network between tries.
    void waitFor(const OntimeServer& server);
    void stop() { m_task.cancel(); }
    const async::TaskHandle& task() const { return m_task; }

Q_SIGNALS:
    // A server to connect to. Sent from inside the task, which ends with it.
    void found(const OntimeServer& server);
    void statusReported(const QString& status);

private:
    QCoro::Task<> reconnectProcedure(async::CancelToken token);
    QCoro::Task<> searchProcedure(bool autoConnect, bool offerChoice, bool attached,
                                  async::CancelToken token);
    QCoro::Task<> waitProcedure(OntimeServer server, async::CancelToken token);

    SettingsStore& m_settings;
    Discovery::TimerSearch<OntimeServer>& m_search;
    std::chrono::milliseconds m_rescanPause{5000};
    std::optional<OntimeServer> m_inUse;
    async::TaskHandle m_task;
};
