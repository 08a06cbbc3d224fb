#include "windows/WindowControls.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace WindowControls {

QPushButton* makeButton(const QString& text, const QString& name) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAccessibleName(text);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* makeSwitch(const QString& text, const QString& name) {
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    box->setAccessibleName(text);
    return box;
}

QLineEdit* makeField(const QString& label, const QString& name) {
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setAccessibleName(label);
    return field;
}

void showChecked(QCheckBox* box, bool checked) {
    const QSignalBlocker blocker(box);
    box->setChecked(checked);
}

} // namespace WindowControls
