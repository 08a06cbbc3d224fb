#pragma once

#include "support/ScriptedHttpServer.h"

#include <QFile>
#include <QTcpServer>

#include <memory>
#include <vector>

// Small helpers shared by the Ontime and discovery tests.
namespace fakes {

#ifdef KALVANE_ONTIME_SAMPLES
// A captured answer of a real Ontime server.
inline QByteArray sample(const QString& name) {
    QFile file(QStringLiteral(KALVANE_ONTIME_SAMPLES) + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample %s", qPrintable(name));
    return file.readAll();
}
#endif

using Response = ScriptedHttpServer::Response;

// Closes the connection without answering: a transport failure for the client.
inline Response dropped() {
    Response response;
    response.drop = true;
    return response;
}

// Takes the request and never answers.
inline Response silent() {
    Response response;
    response.silent = true;
    return response;
}

inline Response delayed(Response response, int ms) {
    response.delayMs = ms;
    return response;
}

// A port on which nothing listens: bound once, then released.
inline quint16 closedPort(const QHostAddress& address = QHostAddress::LocalHost) {
    QTcpServer probe;
    probe.listen(address, 0);
    return probe.serverPort();
}

// The answer of a current Ontime server with this version.
inline Response version(const char* text) {
    return Response::json(QByteArray(R"({"payload":")") + text + R"("})");
}

} // namespace fakes

namespace fakes {

// One scripted server per loopback address, all on the same port, the way a scan sees several
// hosts of one network. The port is chosen free on every address.
class FakeHosts {
public:
    bool listen(const QStringList& addresses) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            m_servers.clear();
            quint16 port = 0;
            bool ok = true;
            for (const QString& address : addresses) {
                auto server = std::make_unique<ScriptedHttpServer>();
                if (!server->listen(QHostAddress(address), port)) {
                    ok = false;
                    break;
                }
                port = server->port();
                m_servers.emplace_back(address, std::move(server));
            }
            if (ok) {
                m_port = port;
                return true;
            }
        }
        m_servers.clear();
        return false;
    }

    ScriptedHttpServer& at(const QString& address) {
        for (auto& [host, server] : m_servers) {
            if (host == address)
                return *server;
        }
        qFatal("no fake host at %s", qPrintable(address));
    }

    quint16 port() const { return m_port; }

    int requestCount() const {
        int count = 0;
        for (const auto& entry : m_servers)
            count += int(entry.second->requests().size());
        return count;
    }

private:
    std::vector<std::pair<QString, std::unique_ptr<ScriptedHttpServer>>> m_servers;
    quint16 m_port = 0;
};

} // namespace fakes
