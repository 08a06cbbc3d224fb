#pragma once

class QWidget;

// The dark look of the chooser and the alerts, whatever the desktop theme, so that they match
// the timer card above a slide show.
namespace DialogLook {

// Dark palette and the Fusion style (platform styles draw native controls and ignore the
// palette) on `dialog` and everything in it.
void apply(QWidget* dialog);

} // namespace DialogLook
