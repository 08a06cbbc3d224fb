#include "overlay/CardFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace CardFonts {

QString timeFamily() {
    static const QString family = [] {
        // Calm, open shapes with unambiguous digits that stay legible across a room.
        const QStringList preferred{QStringLiteral("Inter"), QStringLiteral("Quicksand"),
                                    QStringLiteral("Cantarell")};
        const QStringList installed = QFontDatabase::families();
        for (const QString& candidate : preferred)
            if (installed.contains(candidate))
                return candidate;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

const QFont& time() {
    static const QFont font = [] {
        QFont f(timeFamily());
        f.setWeight(QFont::Bold);
        f.setHintingPreference(QFont::PreferNoHinting);
        f.setStyleStrategy(QFont::PreferAntialias);
        return f;
    }();
    return font;
}

QFont ui(QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace CardFonts
