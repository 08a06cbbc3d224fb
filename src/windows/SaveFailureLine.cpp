#include "windows/SaveFailureLine.h"

#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "settings/SettingsNotifier.h"
#include "windows/DarkLook.h"

#include <QDir>

SaveFailureLine::SaveFailureLine(QWidget* parent)
    : QLabel(parent) {
    setObjectName(QStringLiteral("saveFailure"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, DarkLook::red());
    setPalette(p);
    connect(&SettingsNotifier::instance(), &SettingsNotifier::saveFailedChanged, this,
            &SaveFailureLine::refresh);
    refresh();
}

void SaveFailureLine::refresh() {
    const SettingsNotifier& notifier = SettingsNotifier::instance();
    setText(notifier.saveFailed()
                ? L10n::fill(L10n::lookup(u"Einstellungen können nicht gespeichert werden (%@)"),
                             {QDir::toNativeSeparators(notifier.failedFile())})
                : QString());
    setAccessibleName(text());
    // Hidden explicitly, so that showing the window does not show it.
    setVisible(notifier.saveFailed());
    if (m_shown != notifier.saveFailed()) {
        m_shown = notifier.saveFailed();
        Q_EMIT shownChanged();
    }
}
