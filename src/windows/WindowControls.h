#pragma once

class QCheckBox;
class QLineEdit;
class QPushButton;
class QString;

// The controls of the configuration windows, made alike everywhere: each has an object name
// for tests and snapshots and an accessible name that says what it is.
namespace WindowControls {

// A button announced by its label. It never takes Return for itself: Return presses "Fertig".
QPushButton* makeButton(const QString& text, const QString& name);
// A switch announced by its label.
QCheckBox* makeSwitch(const QString& text, const QString& name);
// A text field announced by the label that stands beside it.
QLineEdit* makeField(const QString& label, const QString& name);
// Shows a stored value on a switch without writing it back to the store.
void showChecked(QCheckBox* box, bool checked);

} // namespace WindowControls
