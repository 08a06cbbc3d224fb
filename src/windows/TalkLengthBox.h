#pragma once

#include <QSpinBox>

// A talk length in whole minutes, as the settings window and the tray menu's dialog ask for
// it: "Aus" for 0, "20 min" otherwise, up to the longest slot the store accepts. A typed value
// counts once the entry is finished (Return, leaving the field), so that typing 45 never sets
// 4 minutes on the way.
class TalkLengthBox final : public QSpinBox {
    Q_OBJECT
public:
    explicit TalkLengthBox(const QString& label, QWidget* parent = nullptr);
};
