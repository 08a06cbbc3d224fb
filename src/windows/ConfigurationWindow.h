#pragma once

#include <QWidget>

class QPushButton;

// What the three configuration windows share: a titled, closable window of fixed width that
// grows in height where its texts need it, the dark look, centring at creation, and the keys
// (Return presses "Fertig", Escape closes). Closing only hides the window: the controller
// keeps it for the next showing.
class ConfigurationWindow : public QWidget {
    Q_OBJECT
public:
    ConfigurationWindow(int width, int minimumHeight, QWidget* parent = nullptr);

    QPushButton* doneButton() const { return m_done; }

protected:
    // The "Fertig" button, which Return presses.
    void setDoneButton(QPushButton* done);
    // Applies the dark look, fits the height and centres the window. Call once, after the
    // content is built.
    void finishSetup();
    // Grows or shrinks the height to what the content needs, never below the minimum and
    // never changing the width. Call when rows appear or disappear.
    void fitHeight();
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_width;
    int m_minimumHeight;
    QPushButton* m_done = nullptr;
};
