#include "windows/OntimeServerList.h"

#include "windows/OntimeServerDelegate.h"

OntimeServerList::OntimeServerList(QWidget* parent)
    : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new OntimeServerDelegate(this));
}

void OntimeServerList::setServers(const QList<OntimeServer>& servers) {
    const std::optional<OntimeServer> selected = selection();
    clear();
    for (const OntimeServer& server : servers) {
        auto* item = new QListWidgetItem(server.label(), this);
        item->setData(OntimeServerDelegate::serverRole, QVariant::fromValue(server));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        if (selected && *selected == server)
            item->setSelected(true);
    }
}

void OntimeServerList::setCurrent(const std::optional<OntimeServer>& current) {
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem* entry = item(row);
        const bool isCurrent = current && serverOf(entry) == *current;
        entry->setData(Qt::CheckStateRole, isCurrent ? Qt::Checked : Qt::Unchecked);
    }
}

std::optional<OntimeServer> OntimeServerList::selection() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return serverOf(selected.first());
}

OntimeServer OntimeServerList::serverOf(const QListWidgetItem* item) {
    return item->data(OntimeServerDelegate::serverRole).value<OntimeServer>();
}
