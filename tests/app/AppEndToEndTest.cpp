#include "support/TestMain.h"

#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

QJsonObject readJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// Pixels of the time's running tone (pure white); nothing else in the card is fully white.
int whitePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 245 && c.green() > 245 && c.blue() > 245 && c.alpha() > 245;
        }
    }
    return count;
}

} // namespace

class AppEndToEndTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void simulatedSlideShowShowsTheTalkTimer() {
        QTemporaryDir home;
        const QString shots = home.filePath(QStringLiteral("shots"));
        QProcess app;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        environment.remove(QStringLiteral("KLV_POWERPOINT_SCRIPT"));
        app.setProcessEnvironment(environment);
        app.start(qEnvironmentVariable("KALVANE_BINARY"),
                  {QStringLiteral("--lang"), QStringLiteral("de"),
                   QStringLiteral("--simulate-show"), QStringLiteral("1"),
                   QStringLiteral("--simulate-change-after"), QStringLiteral("2.2"),
                   QStringLiteral("--snapshot-dir"), shots, QStringLiteral("--quit-after"),
                   QStringLiteral("5")});
        QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        const QString errors = QString::fromLocal8Bit(app.readAllStandardError());
        QVERIFY2(app.exitCode() == 0, qPrintable(errors));
        // Without a tray (offscreen has none) the app says so once and carries on.
        QCOMPARE(errors.count(QStringLiteral("Kein Infobereich für das Symbol gefunden")), 1);

        // Before the first slide change: shown, waiting for the first click.
        const QJsonObject first = readJson(shots + QStringLiteral("/overlay-001.json"));
        QVERIFY(first.value(QStringLiteral("visible")).toBool());
        QCOMPARE(first.value(QStringLiteral("caption")).toString(),
                 QStringLiteral("Vortragszeit – startet mit dem ersten Klick"));
        QCOMPARE(first.value(QStringLiteral("time")).toString(), QStringLiteral("00:00:00"));
        QCOMPARE(first.value(QStringLiteral("tone")).toString(), QStringLiteral("idle"));

        // After it: counting in the running tone.
        const QStringList snapshots =
            QDir(shots).entryList({QStringLiteral("overlay-*.json")}, QDir::Files, QDir::Name);
        QVERIFY(snapshots.size() >= 4);
        const QJsonObject last = readJson(shots + u'/' + snapshots.last());
        QVERIFY(last.value(QStringLiteral("visible")).toBool());
        QCOMPARE(last.value(QStringLiteral("caption")).toString(), QStringLiteral("Vortragszeit"));
        QCOMPARE(last.value(QStringLiteral("tone")).toString(), QStringLiteral("running"));
        QVERIFY(last.value(QStringLiteral("time")).toString() > QStringLiteral("00:00:00"));

        // The pictures show it too: grey digits first, white ones once the clock runs.
        const QImage firstImage(shots + QStringLiteral("/overlay-001.png"));
        QString lastPng = snapshots.last();
        lastPng.replace(QStringLiteral(".json"), QStringLiteral(".png"));
        const QImage lastImage(shots + u'/' + lastPng);
        QCOMPARE(firstImage.size(), QSize(760, 340));
        QCOMPARE(whitePixels(firstImage), 0);
        QVERIFY(whitePixels(lastImage) > 200);
        QVERIFY(QFile::exists(shots + QStringLiteral("/menu.png")));
        QVERIFY(!QImage(shots + QStringLiteral("/tray-icon.png")).isNull());
    }
};

KALVANE_TEST_MAIN_CORE(AppEndToEndTest)
#include "AppEndToEndTest.moc"
