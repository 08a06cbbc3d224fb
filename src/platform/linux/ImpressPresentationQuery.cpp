#include "platform/linux/ImpressPresentationQuery.h"

#include "platform/linux/DBusCall.h"
#include "powerpoint/PowerPoint.h"

#include <QDBusArgument>
#include <QDBusObjectPath>

namespace {

const QString registryService = QStringLiteral("org.a11y.atspi.Registry");
const QString accessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString eventObject = QStringLiteral("org.a11y.atspi.Event.Object");
const QString childrenChangedEvent = QStringLiteral("object:children-changed");
// A missing accessibility bus is asked for again only this often.
constexpr qint64 retryMs = 2000;
// The show's window is small: its presentation object is the twelfth of fifteen objects. A
// document window holds a presentation object too, but behind a thousand others (menus,
// toolbars, panes), so a search that gives up early tells the two apart in any language.
constexpr int searchDepth = 10;
constexpr int searchNodes = 40;

bool isOffice(const QString& applicationName) {
    return applicationName.startsWith(u"soffice", Qt::CaseInsensitive) ||
           applicationName.contains(u"libreoffice", Qt::CaseInsensitive);
}

} // namespace

ImpressPresentationQuery::ImpressPresentationQuery(QDBusConnection session, qint64 quietGapMs)
    : m_session(std::move(session))
    , m_connectionName(QStringLiteral("kalvane-a11y-%1").arg(reinterpret_cast<quintptr>(this)))
    , m_bursts(quietGapMs) {
    m_clock.start();
}

ImpressPresentationQuery::~ImpressPresentationQuery() {
    if (m_a11y)
        QDBusConnection::disconnectFromBus(m_connectionName);
}

void ImpressPresentationQuery::setChangeNotifier(std::function<void()> notify) {
    m_notify = std::move(notify);
}

bool ImpressPresentationQuery::ensureBus() {
    if (m_a11y && m_a11y->isConnected())
        return true;
    if (m_sinceAttempt.isValid() && m_sinceAttempt.elapsed() < retryMs)
        return false;
    m_sinceAttempt.start();
    if (m_a11y) {
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_a11y.reset();
        m_appNames.clear();
        forgetShow();
    }
    QString address = qEnvironmentVariable("AT_SPI_BUS_ADDRESS");
    if (address.isEmpty()) {
        // Calling org.a11y.Bus would start the accessibility bus where none runs; an office
        // that shows anything has started it already.
        if (!DBusCall::hasOwner(m_session, QStringLiteral("org.a11y.Bus")))
            return false;
        const DBusCall::Reply reply = DBusCall::call(
            m_session, QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
            QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
        if (reply.outcome != DBusCall::Outcome::answered)
            return false;
        address = reply.first().toString();
    }
    if (address.isEmpty())
        return false;
    QDBusConnection bus = QDBusConnection::connectToBus(address, m_connectionName);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(m_connectionName);
        return false;
    }
    m_a11y = bus;
    // Applications send accessibility events only while someone has asked the registry for
    // them; the registry forgets the request when this connection closes.
    QDBusMessage registration = QDBusMessage::createMethodCall(
        registryService, QStringLiteral("/org/a11y/atspi/registry"),
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
    registration << childrenChangedEvent;
    bus.call(registration, QDBus::NoBlock);
    bus.connect(QString(), QString(), eventObject, QStringLiteral("ChildrenChanged"), this,
                SLOT(childrenChanged(QDBusMessage)));
    return true;
}

QList<ImpressPresentationQuery::Node> ImpressPresentationQuery::children(const Node& node,
                                                                         bool* timedOut) {
    const DBusCall::Reply reply =
        DBusCall::call(*m_a11y, node.bus, node.path, accessible, QStringLiteral("GetChildren"));
    if (timedOut)
        *timedOut = reply.outcome == DBusCall::Outcome::timedOut;
    QList<Node> nodes;
    if (reply.outcome != DBusCall::Outcome::answered || !reply.first().canConvert<QDBusArgument>())
        return nodes;
    // a(so): the bus name and object path of each child.
    const QDBusArgument list = reply.first().value<QDBusArgument>();
    if (list.currentSignature() != u"a(so)")
        return nodes;
    list.beginArray();
    while (!list.atEnd()) {
        QString bus;
        QDBusObjectPath path;
        list.beginStructure();
        list >> bus >> path;
        list.endStructure();
        nodes.append({bus, path.path()});
    }
    list.endArray();
    return nodes;
}

QString ImpressPresentationQuery::name(const Node& node, bool* timedOut) {
    const DBusCall::Reply reply =
        DBusCall::property(*m_a11y, node.bus, node.path, accessible, QStringLiteral("Name"));
    if (timedOut)
        *timedOut = reply.outcome == DBusCall::Outcome::timedOut;
    return reply.outcome == DBusCall::Outcome::answered ? reply.first().toString() : QString();
}

QString ImpressPresentationQuery::findPresentation(const Node& frame) {
    QList<Node> level{frame};
    int visited = 0;
    for (int depth = 0; depth < searchDepth && !level.isEmpty(); ++depth) {
        QList<Node> next;
        for (const Node& node : level) {
            if (++visited > searchNodes)
                return {};
            const DBusCall::Reply role =
                DBusCall::call(*m_a11y, node.bus, node.path, accessible, QStringLiteral("GetRole"));
            if (role.outcome == DBusCall::Outcome::answered &&
                role.first().toUInt() == roleDocumentPresentation)
                return node.path;
            next += children(node);
        }
        level = next;
    }
    return {};
}

void ImpressPresentationQuery::forgetShow() {
    m_showFrame.clear();
    m_presentationPath.clear();
}

ScriptResult ImpressPresentationQuery::run() {
    const ScriptResult none{-1, 0, QString(), true};
    if (!ensureBus())
        return none;

    const QList<Node> applications =
        children({registryService, QStringLiteral("/org/a11y/atspi/accessible/root")});
    QHash<QString, QString> names;
    Node office;
    for (const Node& application : applications) {
        QString applicationName = m_appNames.value(application.bus);
        if (applicationName.isEmpty())
            applicationName = name(application);
        names.insert(application.bus, applicationName);
        if (office.bus.isEmpty() && isOffice(applicationName))
            office = application;
    }
    // Bus names are never reused, so a name once read stays right while its owner lives.
    m_appNames = names;
    if (office.bus != m_officeBus) {
        // Another office process numbers its objects anew.
        m_frames.clear();
        forgetShow();
    }
    m_officeBus = office.bus;
    if (office.bus.isEmpty()) {
        forgetShow();
        return none;
    }

    bool timedOut = false;
    const QList<Node> frames = children(office, &timedOut);
    const bool wasShowing = !m_showFrame.isEmpty();
    if (timedOut && wasShowing)
        return {std::nullopt, PowerPoint::errorTimedOut, PresentationProgram::impress, false};
    bool impressOpen = false;
    Node show;
    QString showPresentation;
    QHash<QString, QString> classified;
    for (const Node& frame : frames) {
        const QString title = name(frame, &timedOut);
        if (timedOut && wasShowing)
            return {std::nullopt, PowerPoint::errorTimedOut, PresentationProgram::impress, false};
        impressOpen = impressOpen || title.endsWith(u"LibreOffice Impress");
        // Document windows and the start centre carry the product name; a show is named
        // after its document alone.
        if (title == u"LibreOffice" || title.contains(u" - LibreOffice"))
            continue;
        auto known = m_frames.constFind(frame.path);
        const QString presentation =
            known != m_frames.constEnd() ? *known : findPresentation(frame);
        classified.insert(frame.path, presentation);
        if (show.path.isEmpty() && !presentation.isEmpty()) {
            show = frame;
            showPresentation = presentation;
        }
    }
    // A window's kind never changes; what closed is forgotten.
    m_frames = classified;
    if (show.path.isEmpty()) {
        forgetShow();
        return impressOpen ? ScriptResult{-1, 0, PresentationProgram::impress, false} : none;
    }
    if (show.path != m_showFrame) {
        m_showFrame = show.path;
        m_presentationPath = showPresentation;
        m_bursts.restart();
    }
    return {m_bursts.count(), 0, PresentationProgram::impress, false};
}

void ImpressPresentationQuery::childrenChanged(const QDBusMessage& message) {
    if (message.service().isEmpty() || message.service() != m_officeBus)
        return;
    if (!message.arguments().value(0).toString().startsWith(u"add"))
        return;
    // Before a show is known every event of the office still feeds the bursts, so that the
    // events that come with the start of a show are not taken for its first change.
    const bool inShow = !m_showFrame.isEmpty();
    if (inShow && !m_presentationPath.isEmpty() && message.path() != m_presentationPath)
        return;
    if (m_bursts.add(m_clock.elapsed()) && inShow && m_notify)
        m_notify();
}
