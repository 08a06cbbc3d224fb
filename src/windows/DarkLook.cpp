#include "windows/DarkLook.h"

#include "overlay/TimerColors.h"

#include <QApplication>
#include <QComboBox>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyleFactory>
#include <QWidget>

namespace DarkLook {

QColor green() {
    return TimerColors::of(BarTone::normal);
}

QColor orange() {
    return TimerColors::orange();
}

QColor grey() {
    return TimerColors::of(Tone::idle);
}

QColor red() {
    return TimerColors::of(Tone::overtime);
}

QColor primaryText() {
    return QColor(0xe8, 0xe8, 0xe8);
}

QColor secondaryText() {
    return QColor(0x9c, 0x9c, 0x9c);
}

namespace {

// Fusion with the roomier push buttons of the home platform: Fusion pads a label by a few
// pixels only, which makes a row of buttons look cramped.
class WindowStyle final : public QProxyStyle {
public:
    WindowStyle()
        : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override {
        QSize size = QProxyStyle::sizeFromContents(type, option, contents, widget);
        if (type == CT_PushButton)
            size.rwidth() += 12;
        return size;
    }
};

// The style of the configuration windows: Fusion, which honours the palette everywhere.
QStyle* style() {
    // One style for every configuration window, owned by the application so that it outlives
    // them all.
    static QStyle* shared = [] {
        auto* created = new WindowStyle;
        created->setParent(qApp);
        return created;
    }();
    return shared;
}

QPalette palette() {
    const QColor window(0x2a, 0x2a, 0x2c);
    const QColor base(0x1e, 0x1e, 0x20);
    const QColor button(0x3c, 0x3c, 0x3f);
    const QColor accent(0x0a, 0x84, 0xff);
    const QColor disabledText(0x70, 0x70, 0x72);

    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, primaryText());
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x28));
    p.setColor(QPalette::Text, primaryText());
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, primaryText());
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, accent.lighter(120));
    p.setColor(QPalette::PlaceholderText, QColor(0x80, 0x80, 0x82));
    p.setColor(QPalette::ToolTipBase, button);
    p.setColor(QPalette::ToolTipText, primaryText());
    p.setColor(QPalette::Light, QColor(0x55, 0x55, 0x58));
    p.setColor(QPalette::Midlight, QColor(0x48, 0x48, 0x4b));
    p.setColor(QPalette::Mid, QColor(0x33, 0x33, 0x35));
    p.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
    p.setColor(QPalette::Shadow, Qt::black);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Button, QColor(0x33, 0x33, 0x35));
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x50, 0x52));
    return p;
}

} // namespace

void apply(QWidget* window) {
    // A combo box builds its popup on first use; build it now so that it is styled too.
    for (QComboBox* combo : window->findChildren<QComboBox*>())
        combo->view();
    const QPalette dark = palette();
    QStyle* style = DarkLook::style();
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        // A style set on a widget does not pass to its children, and palettes stop at
        // windows (popups), so every widget gets both.
        widget->setStyle(style);
        if (widget == window || widget->isWindow())
            widget->setPalette(dark);
        if (qobject_cast<QRadioButton*>(widget)) {
            // Fusion fills the circle with the base colour and draws the dot in the text
            // colour: grey on near-black hides which row is chosen. A lighter circle and an
            // accent dot make the choice readable at a glance.
            QPalette radio = dark;
            radio.setColor(QPalette::Base, QColor(0x48, 0x48, 0x4e));
            radio.setColor(QPalette::Text, dark.color(QPalette::Highlight).lighter(125));
            radio.setColor(QPalette::WindowText, primaryText());
            widget->setPalette(radio);
        }
    }
}

QFont captionFont(const QFont& body) {
    QFont font = body;
    if (body.pointSizeF() > 0)
        font.setPointSizeF(body.pointSizeF() * 0.85);
    else
        font.setPixelSize(std::max(9, qRound(body.pixelSize() * 0.85)));
    return font;
}

QFont headingFont(const QFont& body) {
    QFont font = body;
    if (body.pointSizeF() > 0)
        font.setPointSizeF(body.pointSizeF() * 1.3);
    else
        font.setPixelSize(qRound(body.pixelSize() * 1.3));
    font.setBold(true);
    return font;
}

} // namespace DarkLook
