#include "windows/ConfigurationWindow.h"

#include "windows/DarkLook.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

ConfigurationWindow::ConfigurationWindow(int width, int minimumHeight, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
    , m_width(width)
    , m_minimumHeight(minimumHeight) {
    setFixedSize(width, minimumHeight);
}

void ConfigurationWindow::setDoneButton(QPushButton* done) {
    m_done = done;
    m_done->setDefault(true);
    connect(m_done, &QPushButton::clicked, this, &QWidget::close);
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
    QLayout* content = layout();
    if (!content)
        return;
    content->activate();
    const int needed = content->hasHeightForWidth() ? content->totalHeightForWidth(m_width)
                                                    : content->totalSizeHint().height();
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
