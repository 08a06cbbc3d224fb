#include "platform/linux/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

// Whether a desktop entry's [Desktop Entry] group sets `key` to `value` (booleans are the
// words true and false).
bool entrySays(const QByteArray& text, QByteArrayView key, QByteArrayView value) {
    bool inMainGroup = false;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup || line.startsWith('#'))
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        if (line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed() == value;
    }
    return false;
}

} // namespace

QString XdgAutostart::defaultFolder() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart");
}

XdgAutostart::XdgAutostart(QString folder)
    : m_folder(std::move(folder)) {}

QString XdgAutostart::entryPath() const {
    return m_folder + u'/' + QString::fromLatin1(entryName);
}

bool XdgAutostart::isEnabled() const {
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.read(64 * 1024);
    return !entrySays(text, "Hidden", "true") &&
           !entrySays(text, "X-GNOME-Autostart-enabled", "false");
}

bool XdgAutostart::enable(const QString& executable, QString* error) {
    if (!QDir().mkpath(m_folder)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(m_folder);
        return false;
    }
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(entryText(executable)) < 0 ||
        !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(entryPath(), file.errorString());
        return false;
    }
    return true;
}

bool XdgAutostart::disable(QString* error) {
    QFile file(entryPath());
    if (!file.exists() || file.remove())
        return true;
    if (error)
        *error = QStringLiteral("cannot remove %1: %2").arg(entryPath(), file.errorString());
    return false;
}

QByteArray XdgAutostart::entryText(const QString& executable) {
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Tessaly Kalvane\n"
                                        "Exec=%1\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(quotedExec(executable));
    return text.toUtf8();
}

QString XdgAutostart::quotedExec(const QString& executable) {
    // Inside double quotes the Exec key escapes ", `, $ and \ with a backslash; the string
    // escape of the file format then doubles every backslash once more, and a literal percent
    // sign is written twice so that it is no field code.
    QString quoted;
    for (const QChar c : executable) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    quoted.replace(u'%', QStringLiteral("%%"));
    return u'"' + quoted + u'"';
}
