#include "windows/ConfigurationWindow.h"

#include "l10n/L10n.h"
#include "windows/DarkLook.h"
#include "windows/SecondaryText.h"
#include "windows/WindowControls.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

ConfigurationWindow::ConfigurationWindow(const QString& title, int width, int minimumHeight,
                                         QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
    , m_width(width)
    , m_minimumHeight(minimumHeight) {
    setFixedSize(width, minimumHeight);
    setWindowTitle(title);
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(20, 20, 20, 20);
    m_column->setSpacing(14);
}

void ConfigurationWindow::addIntroduction(const QString& text) {
    auto* heading = new QLabel(windowTitle());
    heading->setObjectName(QStringLiteral("heading"));
    heading->setFont(DarkLook::headingFont(heading->font()));
    m_column->addWidget(heading);

    auto* intro = new SecondaryText(text);
    intro->useBodyFont();
    m_column->addWidget(intro);
}

void ConfigurationWindow::addBottomRow(const QList<QWidget*>& leading,
                                       const QList<QWidget*>& trailing) {
    auto* row = new QHBoxLayout;
    for (QWidget* widget : leading)
        row->addWidget(widget, 0, Qt::AlignVCenter);
    row->addStretch(1);
    for (QWidget* widget : trailing)
        row->addWidget(widget);
    m_done = WindowControls::makeButton(L10n::lookup(u"Fertig"), QStringLiteral("done"));
    m_done->setDefault(true);
    connect(m_done, &QPushButton::clicked, this, &QWidget::close);
    row->addWidget(m_done);
    m_column->addStretch(1);
    m_column->addLayout(row);
}

void ConfigurationWindow::finishSetup() {
    DarkLook::apply(this);
    fitHeight();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void ConfigurationWindow::fitHeight() {
    m_column->activate();
    const int needed = m_column->hasHeightForWidth() ? m_column->totalHeightForWidth(m_width)
                                                     : m_column->totalSizeHint().height();
    const int height = std::max(m_minimumHeight, needed);
    if (height != this->height() || width() != m_width)
        setFixedSize(m_width, height);
}

void ConfigurationWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Widgets that use Return themselves filter it out before it arrives here.
        if (m_done) {
            m_done->click();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}
