#include "json/CleanText.h"

QString cleanText(const QString& text, qsizetype maxLength) {
    QString clean;
    clean.reserve(std::min(text.size(), maxLength + 1));
    qsizetype characters = 0;
    bool cut = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        char32_t code = c.unicode();
        qsizetype units = 1;
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate())
                continue;
            code = QChar::surrogateToUcs4(c, text[i + 1]);
            units = 2;
        } else if (c.isLowSurrogate()) {
            continue;
        }
        const QChar::Category category = QChar::category(code);
        if (category == QChar::Other_Format) {
            i += units - 1;
            continue;
        }
        if (characters == maxLength) {
            cut = true;
            break;
        }
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            clean += u' ';
        else
            clean += QStringView(text).sliced(i, units);
        ++characters;
        i += units - 1;
    }
    clean = clean.trimmed();
    if (cut)
        clean += u'…';
    return clean;
}

QString trimBlanks(const QString& text) {
    const auto isBlank = [](QChar c) {
        return c == u'\t' || c.category() == QChar::Separator_Space;
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}
