#pragma once

#include "async/CancelToken.h"
#include "async/HttpSession.h"
#include "ontime/OntimeServer.h"

#include <QCoroTask>
#include <QString>

#include <optional>

// Tells whether a host runs Ontime and which interface generation it speaks. The current
// interface is asked first; a host that does not answer at all costs one request, a host that
// answers without being Ontime two. Never fails with an error: anything else is no server.
QCoro::Task<std::optional<OntimeServer>>
probeOntime(QString host, qint64 port, async::HttpSession& session, async::CancelToken token = {});
