#pragma once

#include <QJsonObject>
#include <QString>

class QDir;
class QWidget;

// What a configuration window shows, for a person to look at and for tests to read: a picture
// at twice the window's size, and its title, size and controls in visual order (the tab order
// follows it). The masked API key is never written in clear.
namespace WindowSnapshot {

// {"title","width","height","controls":[{"kind","text","enabled",…}]}. A kind is one of
// switch, button, slider, field, picker, label, list.
QJsonObject describe(const QWidget* window);
// Writes window-NAME.png, the picture at twice the window's size, and window-NAME.json, its
// description, into `folder`.
bool write(QWidget* window, const QDir& folder, const QString& name);

} // namespace WindowSnapshot
