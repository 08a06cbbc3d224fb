#include "discovery/TimerSearchState.h"

#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "settings/SettingsStore.h"

namespace Discovery {

TimerSearchState::TimerSearchState(const SettingsStore& settings,
                                   std::chrono::milliseconds rescanPause, QObject* parent)
    : QObject(parent)
    , m_rescanPause(rescanPause)
    , m_settings(settings) {}

void TimerSearchState::setScanning(bool scanning) {
    if (m_scanning == scanning)
        return;
    m_scanning = scanning;
    Q_EMIT scanningChanged();
}

void TimerSearchState::setScanProgress(double progress) {
    if (m_scanProgress == progress)
        return;
    m_scanProgress = progress;
    Q_EMIT scanProgressChanged();
}

void TimerSearchState::setScanInfo(const QString& info) {
    if (m_scanInfo == info)
        return;
    m_scanInfo = info;
    Q_EMIT scanInfoChanged();
}

void TimerSearchState::setStagetimersFound(const QList<StagetimerDesktop>& found) {
    if (m_stagetimersFound == found)
        return;
    m_stagetimersFound = found;
    Q_EMIT stagetimersFoundChanged();
}

qint64 TimerSearchState::port() const {
    return m_settings.ontimePort();
}

QString TimerSearchState::preferredHost() const {
    return m_settings.ontimeHost().value_or(QString());
}

QString TimerSearchState::searchingStatus(bool offerChoice) {
    return offerChoice ? L10n::lookup(u"Suche Ontime und Stagetimer im Netzwerk …")
                       : L10n::lookup(u"Suche Ontime im Netzwerk …");
}

QString TimerSearchState::choiceStatus() {
    return L10n::lookup(u"Bitte ein Ontime auswählen");
}

QString TimerSearchState::nothingFoundStatus(qint64 port) {
    return L10n::fill(L10n::lookup(u"Kein Ontime gefunden (Port %d)"), {port});
}

QString TimerSearchState::retryStatus(qint64 port) {
    return L10n::fill(L10n::lookup(u"Kein Ontime gefunden (Port %d) – neuer Versuch …"), {port});
}

} // namespace Discovery
