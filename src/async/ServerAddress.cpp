#include "async/ServerAddress.h"

#include <QUrl>

namespace async {
namespace {

bool isSchemeText(QStringView text) {
    if (text.isEmpty() || !text[0].isLetter() || text[0].unicode() > 0x7f)
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
                        (u >= u'0' && u <= u'9') || u == u'+' || u == u'-' || u == u'.';
        if (!ok)
            return false;
    }
    return true;
}

// Blanks, controls and the invisible formatting characters have no place in an address.
bool hasUnusableCharacter(const QString& text) {
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f || category == QChar::Other_Control ||
            category == QChar::Other_Format || category == QChar::Separator_Space ||
            category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            return true;
    }
    return false;
}

// A host the URL parser accepted but that still holds characters of another part.
bool isPlainHost(const QString& host) {
    for (const QChar c : host) {
        if (c == u'%' || c == u'/' || c == u'@' || c == u'\\' || c == u'?' || c == u'#' ||
            c == u'[' || c == u']')
            return false;
    }
    return !host.isEmpty();
}

} // namespace

std::optional<ServerAddress> parseServerAddress(const QString& text) {
    if (text.isEmpty() || hasUnusableCharacter(text))
        return std::nullopt;
    ServerAddress address;
    QString rest = text;
    const qsizetype separator = text.indexOf(u"://");
    if (separator >= 0 && isSchemeText(QStringView(text).first(separator))) {
        const QStringView scheme = QStringView(text).first(separator);
        address.scheme = scheme.toString().toLower();
        if (address.scheme != u"http" && address.scheme != u"https")
            return std::nullopt;
        rest = text.sliced(separator + 3);
    }
    const QUrl url((address.scheme.isEmpty() ? QStringLiteral("http") : address.scheme) +
                       QStringLiteral("://") + rest,
                   QUrl::StrictMode);
    if (!url.isValid() || !url.userInfo().isEmpty() || !isPlainHost(url.host()))
        return std::nullopt;
    // "host:" and "host:0" name no port we could use.
    const qsizetype authorityEnd = rest.indexOf(u'/');
    const QString authority = authorityEnd < 0 ? rest : rest.first(authorityEnd);
    if (authority.endsWith(u':'))
        return std::nullopt;
    address.port = url.port(-1);
    if (address.port == 0)
        return std::nullopt;
    address.host = url.host();
    address.path = authorityEnd < 0 ? QString() : rest.sliced(authorityEnd);
    address.hasQuery = url.hasQuery();
    address.hasFragment = url.hasFragment();
    address.text = address.scheme.isEmpty() ? text : address.scheme + QStringLiteral("://") + rest;
    return address;
}

QString urlHost(const QString& host) {
    return host.contains(u':') ? u'[' + host + u']' : host;
}

} // namespace async
