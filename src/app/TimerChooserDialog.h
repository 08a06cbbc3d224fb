#pragma once

#include "app/AlertDialog.h"
#include "app/TimerChoice.h"

#include <QList>

#include <optional>

class QButtonGroup;
class QRadioButton;

// Asks which of the timers a network search found the timer window is to show: one radio
// button per timer, "Anzeigen" (the default) and "Abbrechen".
class TimerChooserDialog final : public AlertDialog {
    Q_OBJECT
public:
    TimerChooserDialog(const QList<TimerChoice>& choices, int selected, QWidget* parent = nullptr);

    // The radio buttons' texts, in order.
    QStringList labels() const;
    // The checked row, or -1.
    int selectedIndex() const;
    void select(int row);
    // The choice of the first checked row.
    std::optional<TimerChoice> chosen() const;

private:
    QList<TimerChoice> m_choices;
    QList<QRadioButton*> m_radios;
    QButtonGroup* m_group;
};
