#include "ScriptedPrograms.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

// One entry of an accessible's children: the bus name and path of the child.
struct AccessibleRef {
    QString bus;
    QDBusObjectPath path;
};

QDBusArgument& operator<<(QDBusArgument& argument, const AccessibleRef& ref) {
    argument.beginStructure();
    argument << ref.bus << ref.path;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, AccessibleRef& ref) {
    argument.beginStructure();
    argument >> ref.bus >> ref.path;
    argument.endStructure();
    return argument;
}

const QString accessiblePrefix = QStringLiteral("/org/a11y/atspi/accessible/");

} // namespace

Q_DECLARE_METATYPE(AccessibleRef)

ScriptedOkular::ScriptedOkular(QDBusConnection bus, qint64 pid)
    : m_service(QStringLiteral("org.kde.okular-%1").arg(pid)) {
    bus.registerObject(QStringLiteral("/okular"), this, QDBusConnection::ExportAllSlots);
    bus.registerService(m_service);
}

uint ScriptedOkular::currentPage() {
    ++calls;
    if (hang) {
        setDelayedReply(true);
        held << message();
        return 0;
    }
    return page;
}

ScriptedPdfpc::ScriptedPdfpc(QDBusConnection bus)
    : m_bus(std::move(bus)) {
    m_bus.registerService(QStringLiteral("io.github.pdfpc"));
}

void ScriptedPdfpc::showPage(int index) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/io/github/pdfpc"),
                                                     QStringLiteral("io.github.pdfpc"),
                                                     QStringLiteral("OverlayChange"));
    signal << index;
    m_bus.send(signal);
}

ScriptedAccessibility::ScriptedAccessibility(QDBusConnection registry, QDBusConnection office,
                                             QString busAddress)
    : m_registry(std::move(registry))
    , m_office(std::move(office))
    , m_address(std::move(busAddress)) {
    qDBusRegisterMetaType<AccessibleRef>();
    qDBusRegisterMetaType<QList<AccessibleRef>>();
    tree.insert(QStringLiteral("root"), {QStringLiteral("soffice"), 75, {}});
    m_registry.registerVirtualObject(QStringLiteral("/org/a11y"), this, QDBusConnection::SubPath);
    m_registry.registerService(QStringLiteral("org.a11y.atspi.Registry"));
    m_registry.registerService(QStringLiteral("org.a11y.Bus"));
    m_office.registerVirtualObject(QStringLiteral("/org/a11y/atspi/accessible"), this,
                                   QDBusConnection::SubPath);
}

void ScriptedAccessibility::openDocument() {
    tree[QStringLiteral("root")].children << QStringLiteral("1");
    // The document window holds a presentation object as well (the editing view's).
    tree.insert(QStringLiteral("1"),
                {QStringLiteral("deck.odp - LibreOffice Impress"), 23, {QStringLiteral("10")}});
    tree.insert(QStringLiteral("10"), {QStringLiteral("deck"), 93, {}});
}

void ScriptedAccessibility::startShow(const QString& title) {
    tree[QStringLiteral("root")].children << QStringLiteral("2");
    tree.insert(QStringLiteral("2"), {title, 23, {QStringLiteral("20")}});
    tree.insert(QStringLiteral("20"), {QString(), 39, {QStringLiteral("21")}});
    tree.insert(QStringLiteral("21"), {QStringLiteral("deck - LibreOffice Presentation"), 93, {}});
}

void ScriptedAccessibility::endShow() {
    tree[QStringLiteral("root")].children.removeAll(QStringLiteral("2"));
    tree.remove(QStringLiteral("2"));
}

void ScriptedAccessibility::childrenChanged(const QString& id, const QString& detail) {
    QDBusMessage signal = QDBusMessage::createSignal(accessiblePrefix + id,
                                                     QStringLiteral("org.a11y.atspi.Event.Object"),
                                                     QStringLiteral("ChildrenChanged"));
    signal << detail << 0 << 0 << QVariant::fromValue(QDBusVariant(0)) << QVariantMap();
    m_office.send(signal);
}

QString ScriptedAccessibility::introspect(const QString&) const {
    return {};
}

bool ScriptedAccessibility::handleMessage(const QDBusMessage& message,
                                          const QDBusConnection& connection) {
    const QString member = message.member();
    const QString path = message.path();
    QVariantList answer;
    if (connection.baseService() == m_office.baseService()) {
        const QString id = path.mid(accessiblePrefix.size());
        if (!path.startsWith(accessiblePrefix) || !tree.contains(id))
            return false;
        const Node& node = tree[id];
        if (member == u"GetChildren") {
            QList<AccessibleRef> children;
            for (const QString& child : node.children)
                children.append(
                    {m_office.baseService(), QDBusObjectPath(accessiblePrefix + child)});
            answer << QVariant::fromValue(children);
        } else if (member == u"GetRole") {
            answer << node.role;
        } else if (member == u"Get" && message.arguments().value(1).toString() == u"Name") {
            answer << QVariant::fromValue(QDBusVariant(node.name));
        } else {
            return false;
        }
    } else if (path == u"/org/a11y/bus" && member == u"GetAddress") {
        answer << m_address;
    } else if (path == u"/org/a11y/atspi/registry" && member == u"RegisterEvent") {
        registeredEvents << message.arguments().value(0).toString();
    } else if (path == u"/org/a11y/atspi/accessible/root" && member == u"GetChildren") {
        answer << QVariant::fromValue(QList<AccessibleRef>{
            {m_office.baseService(), QDBusObjectPath(accessiblePrefix + QStringLiteral("root"))}});
    } else {
        return false;
    }
    connection.send(message.createReply(answer));
    return true;
}
