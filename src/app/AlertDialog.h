#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QVBoxLayout;

// A modal alert in the program's dark look: a bold message, an explanatory text below it and
// the platform's confirmation button. The timer chooser builds on it with its own controls
// and buttons.
class AlertDialog : public QDialog {
    Q_OBJECT
public:
    AlertDialog(const QString& message, const QString& informative, QWidget* parent = nullptr);

    QString message() const;
    QString informative() const;
    QDialogButtonBox* buttons() const { return m_buttons; }

protected:
    struct WithoutButtons {};
    AlertDialog(const QString& message, const QString& informative, WithoutButtons,
                QWidget* parent = nullptr);
    // Adds controls between the texts and the buttons.
    void addAccessory(QWidget* accessory);
    // Call once everything is in place: applies the look and fixes the size.
    void finish();

private:
    QLabel* m_message;
    QLabel* m_informative;
    QVBoxLayout* m_accessories;
    QDialogButtonBox* m_buttons;
};
