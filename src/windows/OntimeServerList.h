#pragma once

#include "ontime/OntimeServer.h"

#include <QListWidget>

#include <optional>

// The Ontime setup window's list of servers found on the network: one row per server, drawn
// by OntimeServerDelegate, a single selection, and a check mark on the server in use.
class OntimeServerList final : public QListWidget {
    Q_OBJECT
public:
    explicit OntimeServerList(QWidget* parent = nullptr);

    // Replaces the rows; a server that is found again stays selected.
    void setServers(const QList<OntimeServer>& servers);
    // Puts the check mark on the row of `current` and takes it off every other row.
    void setCurrent(const std::optional<OntimeServer>& current);
    // The server of the selected row, if a row is selected.
    std::optional<OntimeServer> selection() const;

    static OntimeServer serverOf(const QListWidgetItem* item);
};
