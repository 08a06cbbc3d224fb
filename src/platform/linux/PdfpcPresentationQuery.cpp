#include "platform/linux/PdfpcPresentationQuery.h"

#include "platform/linux/DBusCall.h"

namespace {

const QString objectPath = QStringLiteral("/io/github/pdfpc");
const QString signalName = QStringLiteral("OverlayChange");

} // namespace

PdfpcPresentationQuery::PdfpcPresentationQuery(QDBusConnection bus)
    : m_bus(std::move(bus)) {}

PdfpcPresentationQuery::~PdfpcPresentationQuery() {
    if (m_subscribed)
        m_bus.disconnect(service, objectPath, service, signalName, this, SLOT(pageChanged(int)));
}

void PdfpcPresentationQuery::setChangeNotifier(std::function<void()> notify) {
    m_notify = std::move(notify);
}

ScriptResult PdfpcPresentationQuery::run() {
    // Subscribed before the first look, so that no change between the two is missed. QtDBus
    // follows the well-known name to whichever process owns it.
    if (!m_subscribed && m_bus.isConnected())
        m_subscribed =
            m_bus.connect(service, objectPath, service, signalName, this, SLOT(pageChanged(int)));
    const std::optional<QString> owner = DBusCall::owner(m_bus, service);
    if (!owner) {
        m_owner.clear();
        m_index.reset();
        return {-1, 0, QString(), true};
    }
    if (*owner != m_owner) {
        if (!m_owner.isEmpty())
            m_index.reset();
        m_owner = *owner;
    }
    // Before the first signal the show runs on an unknown slide, reported as position 0;
    // the first signal then counts as the first change.
    if (!m_index)
        return {0, 0, PresentationProgram::pdfpc, false};
    return {*m_index + 1, 0, PresentationProgram::pdfpc, true};
}

void PdfpcPresentationQuery::pageChanged(int index) {
    if (index < 0)
        return;
    m_index = index;
    if (m_notify)
        m_notify();
}
