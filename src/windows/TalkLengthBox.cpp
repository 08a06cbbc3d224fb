#include "windows/TalkLengthBox.h"

#include "l10n/L10n.h"
#include "settings/SettingsStore.h"

TalkLengthBox::TalkLengthBox(const QString& label, QWidget* parent)
    : QSpinBox(parent) {
    setObjectName(QStringLiteral("talkLength"));
    setAccessibleName(label);
    setRange(0, int(SettingsLimit::maxTalkLengthMinutes));
    // The menu's presets are whole multiples of five minutes; the arrows walk the same way.
    setSingleStep(5);
    setSpecialValueText(L10n::lookup(u"Aus"));
    // The unit around the number as the menu's preset rows write it.
    const QString format = L10n::lookup(u"%d min");
    setPrefix(format.section(QStringLiteral("%d"), 0, 0));
    setSuffix(format.section(QStringLiteral("%d"), 1));
    setKeyboardTracking(false);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setFixedWidth(96);
}
