#pragma once

#include <QLabel>

// One line in red while the settings cannot be written to their file, naming the file; it
// disappears as soon as a write succeeds again. Without it a change the user makes would be
// lost at the next start without a word.
class SaveFailureLine final : public QLabel {
    Q_OBJECT
public:
    explicit SaveFailureLine(QWidget* parent = nullptr);

Q_SIGNALS:
    // The line appeared or disappeared: the window fits its height.
    void shownChanged();

private:
    void refresh();

    bool m_shown = false;
};
