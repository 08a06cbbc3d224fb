#pragma once

#include <QIcon>

// The tray icon's glyph, a stopwatch drawn by the program at every size a tray may ask for.
namespace TrayIconArt {

// `template` draws a monochrome mask that the system tints (macOS menu bar); otherwise a
// white stopwatch on a dark round badge that reads on light and dark panels alike.
QIcon icon(bool asTemplate);
QPixmap pixmap(int size, bool asTemplate, qreal devicePixelRatio = 1.0);

} // namespace TrayIconArt
