#pragma once

class OntimeModel;
class QLabel;
class QProgressBar;
class QPushButton;
class QString;

// How the windows that start a network search show it: the button's label and state, the
// progress bar while it runs and the scan information it left.
namespace SearchDisplay {

// The bar beside the search button, `width` wide, named "searchProgress".
QProgressBar* makeProgress(int width);

// Shows the client's search on the three controls, with `idleText` on the button while no
// search runs. True when the information line appeared or disappeared, so that the window
// fits its height.
bool show(const OntimeModel& ontime, const QString& idleText, QPushButton* button,
          QProgressBar* progress, QLabel* info);

} // namespace SearchDisplay
