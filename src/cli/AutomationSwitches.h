#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class SettingsStore;

// Switches for producing screenshots and for end-to-end tests: a simulated slide show, the
// timer window shown at start, PNG snapshots into a folder, and quitting after a while. Each
// is read from the settings store at start-up and may be overridden for one run on the
// command line.
struct AutomationSwitches {
    // A slide show running on this slide from the start.
    std::optional<int> simulateSlide;
    // Seconds after the start at which the show moves on to the next slide.
    std::optional<double> simulateChangeAfter;
    // Seconds after the start at which the show ends (PowerPoint stays open).
    std::optional<double> simulateEndAfter;
    bool showOverlay = false;
    QString snapshotDir;
    std::optional<double> quitAfter;
    // Configuration windows opened at start: "settings", "ontime", "stagetimer".
    QStringList openWindows;
    // Answers the timer chooser once it is on screen: the 1-based row, or 0 for "Abbrechen".
    // Alerts are confirmed too. Without it dialogs wait for the user.
    std::optional<int> choose;
    // The speaker's talk length in minutes for this run (0: off), in place of the stored one
    // until the user sets another.
    std::optional<int> talkLength;

    static AutomationSwitches fromSettings(const SettingsStore& settings);
    // Applies the command-line options on top; false after a usage error was written.
    bool applyArguments(const QStringList& arguments);

    // The names --open-window accepts.
    static const QStringList& windowNames();

    // The options as the usage text shows them.
    static QString synopsis();

private:
    // "N" or "cancel"; false after a usage error was written.
    bool applyChoose(const QString& value);
};
