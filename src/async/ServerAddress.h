#pragma once

#include <QString>

#include <optional>

namespace async {

// A server address as people type it or copy it from a browser's address bar: "host",
// "host:port", or an http(s) URL with a path. The one place where such text becomes the
// parts of a request address, so that nothing is ever sent to a host guessed from a
// misread text.
struct ServerAddress {
    // "http" or "https" in lower case (schemes are case-insensitive); empty when none typed.
    QString scheme;
    // The host as the URL parser normalises it (lower case, IPv6 without brackets).
    QString host;
    // The port in the text, or -1 when none was typed.
    int port = -1;
    // Everything from the first "/" after host and port on, as typed ("" when none).
    QString path;
    bool hasQuery = false;
    bool hasFragment = false;
    // The text with its scheme in lower case and everything else as typed.
    QString text;
};

// Reads a typed address. Nothing for text that names no usable server: empty, blanks or
// control characters inside, a scheme other than http and https, a user name or password,
// a port outside 1–65535, or anything the URL parser refuses.
std::optional<ServerAddress> parseServerAddress(const QString& text);

// The host as it goes into a URL's authority: IPv6 addresses in brackets.
QString urlHost(const QString& host);

} // namespace async
