#include "windows/OntimePortField.h"

#include "settings/SettingsNotifier.h"
#include "settings/SettingsStore.h"

#include <QIntValidator>
#include <QLocale>

namespace {

// Ports as the user's locale writes whole numbers, without grouping ("4001", never "4,001").
QLocale portLocale() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

OntimePortField::OntimePortField(const QString& label, SettingsStore& settings, QWidget* parent)
    : QLineEdit(parent)
    , m_settings(settings) {
    setObjectName(QStringLiteral("port"));
    setAccessibleName(label);
    setPlaceholderText(QString::number(SettingsDefault::ontimePort));
    setFixedWidth(64);
    setAlignment(Qt::AlignRight);
    // Whole numbers only, so that nothing else can reach the store.
    auto* validator = new QIntValidator(0, 65535, this);
    validator->setLocale(portLocale());
    setValidator(validator);

    connect(this, &QLineEdit::textEdited, this, &OntimePortField::store);
    connect(&SettingsNotifier::instance(), &SettingsNotifier::ontimePortChanged, this, [this] {
        if (!hasFocus())
            showStoredPort();
    });
}

void OntimePortField::showStoredPort() {
    setText(portLocale().toString(m_settings.ontimePort()));
}

void OntimePortField::store(const QString& text) {
    if (!hasAcceptableInput())
        return;
    bool ok = false;
    const int port = portLocale().toInt(text, &ok);
    if (!ok)
        return;
    m_settings.setInt(SettingsKey::ontimePort, port);
    Q_EMIT portStored();
}

void OntimePortField::focusOutEvent(QFocusEvent* event) {
    showStoredPort();
    QLineEdit::focusOutEvent(event);
}
