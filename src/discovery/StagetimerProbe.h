#pragma once

#include "async/CancelToken.h"
#include "async/HttpSession.h"
#include "discovery/StagetimerDesktop.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>

#include <optional>

namespace Discovery {

// Whether the first 400 bytes of a body are UTF-8 text that names Stagetimer. A prefix that
// cuts a multi-byte character is not valid text.
bool namesStagetimer(const QByteArray& body);

// Tells whether a Stagetimer desktop application answers on the port, on its current
// interface ("api/v1/") or only on its old one ("api/v0/"). Never fails with an error.
QCoro::Task<std::optional<StagetimerDesktop>> probeStagetimer(QString host, qint64 port,
                                                              async::HttpSession& session,
                                                              async::CancelToken token = {});

} // namespace Discovery
