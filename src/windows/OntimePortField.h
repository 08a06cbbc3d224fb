#pragma once

#include <QLineEdit>

class SettingsStore;

// The Ontime setup window's port field. It takes whole numbers only, stores each acceptable
// entry at once, and shows the port in use whenever it is not being typed in: at every
// showing, after a change elsewhere and on leaving it, also after an entry that was not
// stored (an empty field) or that means the default (0).
class OntimePortField final : public QLineEdit {
    Q_OBJECT
public:
    OntimePortField(const QString& label, SettingsStore& settings, QWidget* parent = nullptr);

    void showStoredPort();

Q_SIGNALS:
    // A typed port went to the store.
    void portStored();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void store(const QString& text);

    SettingsStore& m_settings;
};
