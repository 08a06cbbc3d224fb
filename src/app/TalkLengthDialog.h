#pragma once

#include "app/AlertDialog.h"

class TalkLengthBox;

// Asks for a talk length that the tray menu's presets do not offer: a number of minutes (0
// switches the count-down off), "OK" (the default) and "Abbrechen".
class TalkLengthDialog final : public AlertDialog {
    Q_OBJECT
public:
    explicit TalkLengthDialog(qint64 minutes, QWidget* parent = nullptr);

    int minutes() const;
    void setMinutes(int minutes);

    // A typed value counts even when the dialog is confirmed before the field was left.
    void accept() override;

private:
    TalkLengthBox* m_box;
};
