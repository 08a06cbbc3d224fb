#pragma once

#include <QList>
#include <QWidget>

class QPushButton;
class QVBoxLayout;

// What the three configuration windows share: a titled, closable window of fixed width that
// grows in height where its texts need it, one column of content with the same margins and
// spacing, a bottom row that ends in "Fertig", the dark look, centring at creation, and the
// keys (Return presses "Fertig", Escape closes). Closing only hides the window: the
// controller keeps it for the next showing.
class ConfigurationWindow : public QWidget {
    Q_OBJECT
public:
    ConfigurationWindow(const QString& title, int width, int minimumHeight,
                        QWidget* parent = nullptr);

protected:
    // The content, top to bottom.
    QVBoxLayout* column() const { return m_column; }
    // The bold heading, which repeats the title, and the introduction below it that open a
    // setup window.
    void addIntroduction(const QString& text);
    // Ends the content: a flexible space, then the bottom row with `leading` at the left and
    // `trailing` followed by "Fertig" at the right.
    void addBottomRow(const QList<QWidget*>& leading, const QList<QWidget*>& trailing = {});
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
    QVBoxLayout* m_column;
    QPushButton* m_done = nullptr;
};
