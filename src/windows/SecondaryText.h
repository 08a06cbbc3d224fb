#pragma once

#include <QLabel>

// Explanations and hints: the small caption font in the dimmed text colour, wrapping onto as
// many lines as they need so that the window grows in height, never in width.
class SecondaryText final : public QLabel {
    Q_OBJECT
public:
    explicit SecondaryText(const QString& text = {}, QWidget* parent = nullptr);
    // Keeps the body font instead of the caption font.
    void useBodyFont();
};
