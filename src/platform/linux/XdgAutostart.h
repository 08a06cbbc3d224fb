#pragma once

#include <QString>

// Start at login on Linux desktops: an entry in the user's XDG autostart folder that names
// this program. The entry is ours alone; writing replaces it, switching off removes it.
class XdgAutostart {
public:
    static constexpr auto entryName = "org.tessaly.Kalvane.desktop";

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when the variable is unset or not an
    // absolute path.
    static QString defaultFolder();

    explicit XdgAutostart(QString folder = defaultFolder());

    QString entryPath() const;
    // On: the entry exists and is neither hidden nor disabled for GNOME.
    bool isEnabled() const;
    // Writes the entry for `executable`; false with the reason in `error`.
    bool enable(const QString& executable, QString* error);
    // Removes the entry; an absent entry is already off.
    bool disable(QString* error);

    // The entry's text for `executable`.
    static QByteArray entryText(const QString& executable);
    // An Exec value that names exactly `executable`, whatever characters its path holds.
    static QString quotedExec(const QString& executable);

private:
    QString m_folder;
};
