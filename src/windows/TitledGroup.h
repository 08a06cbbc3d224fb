#pragma once

#include <QGroupBox>

class QVBoxLayout;

// A titled box whose content is one column filling its width, with the small inner margin
// the configuration windows use.
class TitledGroup : public QGroupBox {
    Q_OBJECT
public:
    TitledGroup(const QString& title, int spacing, QWidget* parent = nullptr);

    QVBoxLayout* column() const { return m_column; }

private:
    QVBoxLayout* m_column;
};
