#include "cli/AutomationSwitches.h"

#include "cli/Options.h"
#include "cli/Usage.h"
#include "settings/SettingsStore.h"

#include <cmath>
#include <cstdio>

namespace {

namespace Key {
constexpr auto simulateSlide = "automation/simulateSlide";
constexpr auto simulateChangeAfter = "automation/simulateChangeAfter";
constexpr auto simulateEndAfter = "automation/simulateEndAfter";
constexpr auto showOverlay = "automation/showOverlay";
constexpr auto snapshotDir = "automation/snapshotDir";
constexpr auto quitAfter = "automation/quitAfter";
constexpr auto openWindows = "automation/openWindows";
constexpr auto choose = "automation/choose";
constexpr auto talkLength = "automation/talkLength";
} // namespace Key

// Up to some eleven days; NaN and the infinities are no number of seconds.
bool usableSeconds(double seconds) {
    return std::isfinite(seconds) && seconds >= 0 && seconds <= 1e6;
}

// A stored value that is no usable number of seconds is left out, with one line saying so:
// the app still starts, as it would without the key.
std::optional<double> storedSeconds(const SettingsStore& settings, const char* key) {
    if (!settings.contains(key))
        return std::nullopt;
    bool ok = false;
    const double seconds = settings.value(key).toDouble(&ok);
    if (!ok || !usableSeconds(seconds)) {
        std::fprintf(stderr, "kalvane: ignoring the stored %s (%s): not a number of seconds\n", key,
                     qPrintable(settings.value(key).toString()));
        return std::nullopt;
    }
    return seconds;
}

// Seconds from an option; false after a usage error.
bool secondsOption(const Options& options, const QString& name, std::optional<double>& target) {
    if (!options.isSet(name))
        return true;
    bool ok = false;
    const double seconds = options.value(name).toDouble(&ok);
    if (!ok || !usableSeconds(seconds)) {
        usageError(QStringLiteral("--%1 needs a number of seconds").arg(name));
        return false;
    }
    target = seconds;
    return true;
}

// The configuration windows to open, from a comma-separated setting; unknown names are
// dropped.
QStringList storedWindows(const SettingsStore& settings) {
    QStringList names;
    const QVariant stored = settings.value(Key::openWindows);
    const QStringList parts = stored.typeId() == QMetaType::QStringList
                                  ? stored.toStringList()
                                  : stored.toString().split(u',', Qt::SkipEmptyParts);
    for (const QString& part : parts)
        if (AutomationSwitches::windowNames().contains(part.trimmed()))
            names << part.trimmed();
    return names;
}

// The windows named by --open-window; false after a usage error.
bool windowOptions(const Options& options, QStringList& target) {
    for (const QString& name : options.values(QStringLiteral("open-window"))) {
        if (!AutomationSwitches::windowNames().contains(name)) {
            usageError(QStringLiteral("--open-window takes %1, not \"%2\"")
                           .arg(AutomationSwitches::windowNames().join(u'|'), name));
            return false;
        }
        if (!target.contains(name))
            target << name;
    }
    return true;
}

} // namespace

const QStringList& AutomationSwitches::windowNames() {
    static const QStringList names{QStringLiteral("settings"), QStringLiteral("ontime"),
                                   QStringLiteral("stagetimer")};
    return names;
}

AutomationSwitches AutomationSwitches::fromSettings(const SettingsStore& settings) {
    AutomationSwitches switches;
    if (settings.contains(Key::simulateSlide) && settings.intValue(Key::simulateSlide) >= 0)
        switches.simulateSlide = static_cast<int>(settings.intValue(Key::simulateSlide));
    switches.simulateChangeAfter = storedSeconds(settings, Key::simulateChangeAfter);
    switches.simulateEndAfter = storedSeconds(settings, Key::simulateEndAfter);
    switches.showOverlay = settings.boolValue(Key::showOverlay);
    switches.snapshotDir = settings.stringValue(Key::snapshotDir).value_or(QString());
    switches.quitAfter = storedSeconds(settings, Key::quitAfter);
    switches.openWindows = storedWindows(settings);
    if (settings.contains(Key::talkLength)) {
        bool ok = false;
        const qint64 minutes = settings.value(Key::talkLength).toLongLong(&ok);
        // What cannot be a slot is left out, and the stored talk length stays in use.
        if (ok && minutes >= 0 && minutes <= SettingsLimit::maxTalkLengthMinutes)
            switches.talkLength = int(minutes);
    }
    if (const std::optional<QString> choose = settings.stringValue(Key::choose)) {
        // A stored answer that cannot be read is left out rather than stopping the app.
        AutomationSwitches parsed;
        if (parsed.applyChoose(*choose))
            switches.choose = parsed.choose;
    }
    return switches;
}

bool AutomationSwitches::applyArguments(const QStringList& arguments) {
    const QString seconds = QStringLiteral("S");
    Options options({
        {QStringLiteral("simulate-show"), QStringLiteral("Simulate a slide show on slide N."),
         QStringLiteral("N")},
        {QStringLiteral("simulate-change-after"),
         QStringLiteral("Move to the next slide after S seconds."), seconds},
        {QStringLiteral("simulate-end-after"), QStringLiteral("End the show after S seconds."),
         seconds},
        {QStringLiteral("show-overlay"), QStringLiteral("Show the timer window at start.")},
        {QStringLiteral("snapshot-dir"), QStringLiteral("Write PNG snapshots into DIR."),
         QStringLiteral("DIR")},
        {QStringLiteral("quit-after"), QStringLiteral("Quit after S seconds."), seconds},
        {QStringLiteral("open-window"),
         QStringLiteral("Open a configuration window at start (settings, ontime, stagetimer)."),
         QStringLiteral("NAME")},
        {QStringLiteral("choose"),
         QStringLiteral("Answer the timer chooser with row N, or cancel it."),
         QStringLiteral("N|cancel")},
        {QStringLiteral("talk-length"),
         QStringLiteral("Count the internal timer down from MIN minutes for this run (0: off)."),
         QStringLiteral("MIN")},
    });
    if (!options.parseOptionsOnly(arguments))
        return false;
    if (options.isSet(QStringLiteral("simulate-show"))) {
        const std::optional<qint64> slide =
            options.number(QStringLiteral("simulate-show"), 1, 0, 100000);
        if (!slide)
            return false;
        simulateSlide = static_cast<int>(*slide);
    }
    if (options.isSet(QStringLiteral("talk-length"))) {
        const std::optional<qint64> minutes = options.number(QStringLiteral("talk-length"), 0, 0,
                                                             SettingsLimit::maxTalkLengthMinutes);
        if (!minutes)
            return false;
        talkLength = int(*minutes);
    }
    if (!secondsOption(options, QStringLiteral("simulate-change-after"), simulateChangeAfter) ||
        !secondsOption(options, QStringLiteral("simulate-end-after"), simulateEndAfter) ||
        !secondsOption(options, QStringLiteral("quit-after"), quitAfter))
        return false;
    if (options.isSet(QStringLiteral("show-overlay")))
        showOverlay = true;
    if (options.isSet(QStringLiteral("snapshot-dir")))
        snapshotDir = options.value(QStringLiteral("snapshot-dir"));
    if (!windowOptions(options, openWindows))
        return false;
    if (options.isSet(QStringLiteral("choose")) &&
        !applyChoose(options.value(QStringLiteral("choose"))))
        return false;
    return true;
}

bool AutomationSwitches::applyChoose(const QString& value) {
    if (value == u"cancel") {
        choose = 0;
        return true;
    }
    bool ok = false;
    const int row = value.toInt(&ok);
    if (!ok || row < 1 || row > 1000) {
        usageError(QStringLiteral("--choose needs a row number from 1 or \"cancel\""));
        return false;
    }
    choose = row;
    return true;
}

QString AutomationSwitches::synopsis() {
    return QStringLiteral("[--simulate-show N [--simulate-change-after S] "
                          "[--simulate-end-after S]] [--show-overlay] [--snapshot-dir DIR] "
                          "[--quit-after S] [--open-window settings|ontime|stagetimer]… "
                          "[--choose N|cancel] [--talk-length MIN]");
}
