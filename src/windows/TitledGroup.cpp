#include "windows/TitledGroup.h"

#include <QVBoxLayout>

TitledGroup::TitledGroup(const QString& title, int spacing, QWidget* parent)
    : QGroupBox(title, parent)
    , m_column(new QVBoxLayout(this)) {
    m_column->setContentsMargins(6, 6, 6, 6);
    m_column->setSpacing(spacing);
    m_column->setAlignment(Qt::AlignTop);
    setAccessibleName(title);
}
