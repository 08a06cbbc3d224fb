#include "app/DialogLook.h"

#include <QPalette>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace DialogLook {

namespace {

QPalette darkPalette() {
    const QColor window(0x2b, 0x2b, 0x2e);
    // Lighter than the window: Fusion fills radio buttons with it, and their selection dot
    // must stand out against it.
    const QColor base(0x48, 0x48, 0x4e);
    const QColor button(0x3a, 0x3a, 0x3e);
    const QColor text(0xf4, 0xf4, 0xf6);
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
        if (qobject_cast<QRadioButton*>(child)) {
            // Fusion draws the selection dot in the text colour, which in grey on grey is too
            // faint to tell the chosen row at a glance; the label keeps the window text colour.
            QPalette radio = palette;
            radio.setColor(QPalette::Text, palette.color(QPalette::Highlight).lighter(125));
            child->setPalette(radio);
        } else {
            child->setPalette(palette);
        }
    }
}

} // namespace DialogLook
