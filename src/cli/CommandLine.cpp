#include "cli/CommandLine.h"

#include "cli/ApplicationMode.h"
#include "cli/AutomationSwitches.h"
#include "cli/Command.h"
#include "cli/PrintLine.h"
#include "cli/Usage.h"
#include "kalvane/Version.h"
#include "l10n/L10n.h"
#include "l10n/ProductName.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>

namespace {

// Options that apply to every mode, taken out before the mode is chosen.
struct GlobalOptions {
    bool version = false;
    bool help = false;
    QString language;
    QString problem;
};

GlobalOptions takeGlobalOptions(QStringList& arguments) {
    GlobalOptions options;
    for (qsizetype i = 0; i < arguments.size();) {
        const QString& argument = arguments[i];
        if (argument == u"--version" || argument == u"-v") {
            options.version = true;
            arguments.removeAt(i);
        } else if (argument == u"--help" || argument == u"-h") {
            options.help = true;
            arguments.removeAt(i);
        } else if (argument == u"--lang") {
            if (i + 1 >= arguments.size()) {
                options.problem = QStringLiteral("--lang needs a language: de, en or fr");
                arguments.removeAt(i);
            } else {
                options.language = arguments[i + 1];
                arguments.remove(i, 2);
            }
        } else if (argument.startsWith(u"--lang=")) {
            options.language = argument.mid(7);
            arguments.removeAt(i);
        } else {
            ++i;
        }
    }
    if (options.problem.isEmpty() && !options.language.isEmpty() &&
        !L10n::languages().contains(options.language))
        options.problem =
            QStringLiteral("unknown language \"%1\"; choose de, en or fr").arg(options.language);
    return options;
}

const Command* findCommand(const QStringList& arguments, qsizetype& wordCount) {
    const Command* best = nullptr;
    wordCount = 0;
    for (const Command& command : commands()) {
        const qsizetype n = command.words.size();
        if (n <= arguments.size() && arguments.mid(0, n) == command.words && n > wordCount) {
            best = &command;
            wordCount = n;
        }
    }
    return best;
}

QString usageText() {
    QString text = QStringLiteral("Usage: kalvane [--lang de|en|fr] %1\n"
                                  "       kalvane --version | --help\n")
                       .arg(AutomationSwitches::synopsis());
    for (const Command& command : commands())
        text += QStringLiteral("       kalvane %1 %2\n")
                    .arg(command.words.join(u' '), command.synopsis);
    return text;
}

} // namespace

int runCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    setUsageText(usageText().trimmed());
    const GlobalOptions global = takeGlobalOptions(arguments);
    if (!global.problem.isEmpty())
        return usageError(global.problem);
    if (global.version) {
        printLine(stdout, productName() + u' ' + QStringLiteral(KALVANE_VERSION));
        return 0;
    }
    if (global.help) {
        printLine(stdout, usageText().trimmed());
        return 0;
    }
    if (!global.language.isEmpty())
        L10n::overrideLanguage(global.language);
    // The diagnostic commands speak the user's language too, though they work on stores of
    // their own.
    L10n::useStoredChoice(SettingsStore().stringValue(SettingsKey::appLanguage));

    QCoreApplication::setOrganizationName(QStringLiteral("Tessaly"));
    QCoreApplication::setApplicationName(QStringLiteral("Kalvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KALVANE_VERSION));

    qsizetype wordCount = 0;
    if (const Command* command = findCommand(arguments, wordCount)) {
        QCoreApplication application(argc, argv);
        return command->run(arguments.mid(wordCount));
    }
    if (!arguments.isEmpty() && !arguments.first().startsWith(u'-'))
        return usageError(QStringLiteral("unknown command \"%1\"").arg(arguments.first()));
    return runApplication(argc, argv, arguments);
}
