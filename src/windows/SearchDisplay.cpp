#include "windows/SearchDisplay.h"

#include "l10n/L10n.h"
#include "ontime/OntimeModel.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace SearchDisplay {

namespace {

// Fine enough that the bar moves smoothly on any width.
constexpr int progressSteps = 1000;

} // namespace

QProgressBar* makeProgress(int width) {
    auto* progress = new QProgressBar;
    progress->setObjectName(QStringLiteral("searchProgress"));
    progress->setAccessibleName(L10n::lookup(u"Suche läuft …"));
    progress->setRange(0, progressSteps);
    progress->setTextVisible(false);
    progress->setFixedWidth(width);
    return progress;
}

bool show(const OntimeModel& ontime, const QString& idleText, QPushButton* button,
          QProgressBar* progress, QLabel* info) {
    const bool scanning = ontime.scanning();
    button->setText(scanning ? L10n::lookup(u"Suche läuft …") : idleText);
    button->setEnabled(!scanning);
    progress->setVisible(scanning);
    progress->setValue(
        int(std::lround(std::clamp(ontime.scanProgress(), 0.0, 1.0) * progressSteps)));
    const QString text = ontime.scanInfo();
    info->setText(text);
    info->setAccessibleName(text);
    const QWidget* window = info->window();
    if (info->isVisibleTo(window) != text.isEmpty())
        return false;
    info->setVisible(!text.isEmpty());
    return true;
}

} // namespace SearchDisplay
