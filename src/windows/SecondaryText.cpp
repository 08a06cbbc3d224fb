#include "windows/SecondaryText.h"

#include "windows/DarkLook.h"

SecondaryText::SecondaryText(const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFont(DarkLook::captionFont(font()));
    QPalette p = palette();
    p.setColor(QPalette::WindowText, DarkLook::secondaryText());
    setPalette(p);
    setAccessibleName(text);
}

void SecondaryText::useBodyFont() {
    setFont(QFont());
}
