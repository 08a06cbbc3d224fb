#pragma once

#include <QColor>
#include <QFont>

class QWidget;

// The look the configuration windows share whatever the desktop theme: a dark palette and the
// Fusion style (platform styles draw native controls and ignore palettes), with the accent
// colours of the timer card.
namespace DarkLook {

// Dark palette and Fusion style on `window` and every widget inside it, popups included.
// Call once the window's widgets exist; widgets added later need another call.
void apply(QWidget* window);

// Status dot colours: delivering time, busy or waiting, idle.
QColor green();
QColor orange();
QColor grey();
// Text that reports a problem.
QColor red();
// Dimmed text beside the primary text.
QColor secondaryText();
QColor primaryText();

// The small caption font of secondary texts, and the bold heading of the setup windows,
// both relative to the window's body font.
QFont captionFont(const QFont& body);
QFont headingFont(const QFont& body);

} // namespace DarkLook
