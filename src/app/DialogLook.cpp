#include "app/DialogLook.h"

#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace DialogLook {

namespace {

QPalette darkPalette() {
    const QColor window(0x2b, 0x2b, 0x2e);
    const QColor base(0x1e, 0x1e, 0x20);
    const QColor button(0x3a, 0x3a, 0x3e);
    const QColor text(0xee, 0xee, 0xf0);
    const QColor dimmed(0x8a, 0x8a, 0x90);
    const QColor accent(0x0a, 0x84, 0xff);

    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Light, button.lighter(130));
    palette.setColor(QPalette::Midlight, button.lighter(115));
    palette.setColor(QPalette::Mid, button.darker(120));
    palette.setColor(QPalette::Dark, base.darker(130));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::ToolTipBase, window);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, dimmed);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, dimmed);
    return palette;
}

QStyle* fusion() {
    // One style object for every dialog; the application keeps it.
    static QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"));
    return style;
}

} // namespace

void apply(QWidget* dialog) {
    const QPalette palette = darkPalette();
    QStyle* style = fusion();
    dialog->setPalette(palette);
    dialog->setAutoFillBackground(true);
    if (style)
        dialog->setStyle(style);
    const QList<QWidget*> children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (style)
            child->setStyle(style);
        child->setPalette(palette);
    }
}

} // namespace DialogLook
