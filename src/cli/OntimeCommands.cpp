#include "cli/OntimeCommands.h"

#include "app/FlipTimer.h"
#include "app/OntimeDisplay.h"
#include "async/RequestSessions.h"
#include "async/ServerAddress.h"
#include "cli/Command.h"
#include "cli/JsonLine.h"
#include "cli/Options.h"
#include "cli/TickLimit.h"
#include "discovery/Interfaces.h"
#include "discovery/Scan.h"
#include "discovery/StagetimerDesktop.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "ontime/OntimeModel.h"
#include "ontime/OntimeProbe.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

namespace {

void writeLine(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QCommandLineOption portOption(const QString& name, const QString& description) {
    return QCommandLineOption(name, description, QStringLiteral("N"));
}

QCommandLineOption ontimePortOption() {
    return portOption(QStringLiteral("port"),
                      QStringLiteral("Ontime port (%1).").arg(SettingsDefault::ontimePort));
}

// The one HOST argument of a command, trimmed as the setup window trims a typed host.
std::optional<QString> hostArgument(const Options& options) {
    const QStringList positional = options.positional();
    if (positional.size() != 1) {
        usageError(positional.isEmpty()
                       ? QStringLiteral("missing HOST")
                       : QStringLiteral("unexpected argument \"%1\"").arg(positional[1]));
        return std::nullopt;
    }
    const QString host = trimmedHost(positional.first());
    if (host.isEmpty()) {
        usageError(QStringLiteral("HOST must not be empty"));
        return std::nullopt;
    }
    return host;
}

QJsonValue linkName(OntimeLink::Kind kind) {
    switch (kind) {
    case OntimeLink::Kind::socket:
        return QStringLiteral("socket");
    case OntimeLink::Kind::poll:
        return QStringLiteral("poll");
    case OntimeLink::Kind::none:
        break;
    }
    return QJsonValue::Null;
}

// Milliseconds on the system's monotonic clock, which other processes read alike.
double monotonicNow() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The bar's fill moves on with every millisecond; what else the window shows changes by steps.
bool sameExceptBar(const TimerDisplay& a, const TimerDisplay& b) {
    TimerDisplay withoutBar = b;
    if (a.progress && b.progress)
        withoutBar.progress = a.progress;
    return a == withoutBar;
}

} // namespace

int runProbe(const QStringList& arguments) {
    Options options({ontimePortOption()});
    if (!options.parse(arguments))
        return usageExitCode;
    const std::optional<QString> text = hostArgument(options);
    std::optional<qint64> port =
        options.number(QStringLiteral("port"), SettingsDefault::ontimePort, 1, 65535);
    if (!text || !port)
        return usageExitCode;
    // The host as the app reads a typed one: "host", "host:port" or an address copied from
    // a browser; a port in it wins over the default.
    const std::optional<async::ServerAddress> address = async::parseServerAddress(*text);
    if (!address)
        return usageError(QStringLiteral("\"%1\" is no server address").arg(*text));
    if (address->port > 0) {
        if (options.isSet(QStringLiteral("port")) && *port != address->port)
            return usageError(QStringLiteral("two different ports: %1 and --port %2")
                                  .arg(address->port)
                                  .arg(*port));
        port = address->port;
    }
    const QString host = address->host;

    const std::optional<OntimeServer> server =
        QCoro::waitFor(probeOntime(host, *port, async::requestSession()));
    if (!server) {
        writeLine(stdout, L10n::fill(L10n::lookup(u"Kein Ontime unter %@:%d"), {host, *port}));
        return 1;
    }
    writeLine(stdout, server->label());
    return 0;
}

int runScan(const QStringList& arguments) {
    Options options(
        {ontimePortOption(),
         portOption(
             QStringLiteral("stagetimer-port"),
             QStringLiteral("Stagetimer desktop port (%1).").arg(StagetimerDesktop::defaultPort)),
         QCommandLineOption(QStringLiteral("interface"),
                            QStringLiteral("Scan this network instead of the "
                                           "computer's own; repeatable."),
                            QStringLiteral("NAME=ADDR/BITS"))});
    if (!options.parse(arguments))
        return usageExitCode;
    if (!options.positional().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument \"%1\"").arg(options.positional().first()));
    const std::optional<qint64> port =
        options.number(QStringLiteral("port"), SettingsDefault::ontimePort, 1, 65535);
    const std::optional<qint64> stagetimerPort =
        options.number(QStringLiteral("stagetimer-port"), StagetimerDesktop::defaultPort, 1, 65535);
    if (!port || !stagetimerPort)
        return usageExitCode;

    if (options.isSet(QStringLiteral("interface"))) {
        QList<Discovery::InterfaceAddress> interfaces;
        for (const QString& entry : options.values(QStringLiteral("interface"))) {
            QString error;
            const std::optional<Discovery::InterfaceAddress> address =
                Discovery::parseInterface(entry, &error);
            if (!address)
                return usageError(QStringLiteral("--interface: ") + error);
            interfaces.append(*address);
        }
        Discovery::setInterfaceProvider([interfaces] { return interfaces; });
    }

    const Discovery::ScanResult<OntimeServer> result = QCoro::waitFor(Discovery::scan<OntimeServer>(
        probeOntime, *port, *stagetimerPort,
        [](qsizetype done, qsizetype total, const QList<OntimeServer>& servers) {
            writeLine(stderr,
                      QStringLiteral("%1/%2 (%3 Ontime)").arg(done).arg(total).arg(servers.size()));
        }));

    writeLine(stdout, result.info);
    for (const OntimeServer& server : result.servers)
        writeLine(stdout, server.label());
    for (const StagetimerDesktop& desktop : result.stagetimers)
        writeLine(stdout, desktop.host + u':' + QString::number(desktop.port) +
                              QStringLiteral(" \u2013 Stagetimer") +
                              (desktop.apiV1 ? QString() : QStringLiteral(" (alt)")));
    return 0;
}

int runWatchOntime(const QStringList& arguments) {
    Options options(
        {ontimePortOption(),
         QCommandLineOption(QStringLiteral("ticks"),
                            QStringLiteral("Stop after N ticks of 0.25 s."), QStringLiteral("N")),
         QCommandLineOption(QStringLiteral("events"),
                            QStringLiteral("Print a line, with a monotonic time stamp, whenever "
                                           "what the timer window shows changes, instead of "
                                           "one each tick.")),
         QCommandLineOption(QStringLiteral("poll"),
                            QStringLiteral("Poll the server even where it offers a socket."))});
    if (!options.parse(arguments))
        return usageExitCode;
    const std::optional<QString> host = hostArgument(options);
    const std::optional<qint64> port =
        options.number(QStringLiteral("port"), SettingsDefault::ontimePort, 1, 65535);
    const std::optional<qint64> ticks =
        options.number(QStringLiteral("ticks"), 0, 1, 1'000'000'000);
    if (!host || !port || !ticks)
        return usageExitCode;
    const bool events = options.isSet(QStringLiteral("events"));

    // Everything written goes to a store that disappears with this command.
    QTemporaryDir folder;
    if (!folder.isValid()) {
        writeLine(stderr, QStringLiteral("kalvane: cannot create a temporary settings folder"));
        return 1;
    }
    SettingsStore settings(folder.filePath(QStringLiteral("settings.ini")));
    if (options.isSet(QStringLiteral("port")))
        settings.setInt(SettingsKey::ontimePort, *port);

    OntimeModel model(settings);
    if (options.isSet(QStringLiteral("poll"))) {
        OntimeModel::Timing timing;
        timing.preferSocket = false;
        model.setTiming(timing);
    }
    model.connect(*host);

    const auto print = [&model](const TimerDisplay& display, std::optional<double> at) {
        JsonLine line;
        if (at)
            line.addNumber(QStringLiteral("t"), at);
        line.add(QStringLiteral("status"), model.status())
            .add(QStringLiteral("connected"), model.connected())
            .add(QStringLiteral("link"), linkName(model.link()))
            .addNumber(QStringLiteral("remainingMs"), model.remainingMs())
            .addDisplay(display)
            .print();
    };
    // With events the window's own refresh decides when to look: each change the client
    // reports, the turn of each second, and the tick.
    FlipTimer flip;
    std::optional<TimerDisplay> shown;
    const auto refresh = [&] {
        const OntimeSnapshot snapshot = OntimeSnapshot::of(model);
        const TimerDisplay display = ontimeDisplay(snapshot);
        flip.aim(ontimeNextChange(snapshot));
        if (shown && sameExceptBar(*shown, display))
            return;
        shown = display;
        print(display, monotonicNow());
    };
    if (events) {
        // Queued, so that a change of several properties at once is seen whole.
        for (const auto signal : {&OntimeModel::updated, &OntimeModel::connectedChanged,
                                  &OntimeModel::statusChanged, &OntimeModel::linkChanged})
            QObject::connect(&model, signal, &flip, refresh, Qt::QueuedConnection);
        QObject::connect(&flip, &FlipTimer::due, &flip, refresh);
        refresh();
    }

    TickLimit limit(*ticks, [&] {
        if (stopSignal() != 0) {
            QCoreApplication::exit(128 + stopSignal());
            return;
        }
        if (events)
            refresh();
        else
            print(ontimeDisplay(model), std::nullopt);
    });
    catchStopSignals();
    limit.start();
    return QCoreApplication::exec();
}
