#include "OntimeFakes.h"
#include "ontime/OntimeModel.h"
#include "ontime/OntimeRecords.h"
#include "ontime/OntimeServer.h"
#include "settings/SettingsStore.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QSet>

namespace {

// A poll document around a payload text.
QByteArray pollBody(const QByteArray& payload) {
    return "{\"payload\":" + payload + "}";
}

} // namespace

class OntimeWireTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void serverRecordComparesAllFourFields() {
        const OntimeServer a{QStringLiteral("192.168.1.5"), 4001, OntimeAPI::v3,
                             QStringLiteral("3.16.1")};
        OntimeServer b = a;
        QCOMPARE(a, b);
        QCOMPARE(qHash(a), qHash(b));
        b.version = QStringLiteral("4.11.0");
        QVERIFY(a != b);
        b = a;
        b.api = OntimeAPI::v1;
        QVERIFY(a != b);
        b = a;
        b.port = 4002;
        QVERIFY(a != b);
        QCOMPARE(QSet<OntimeServer>({a, a, b}).size(), 2);
    }

    void labelUsesTheEnDash() {
        QCOMPARE((OntimeServer{QStringLiteral("10.0.0.7"), 4001, OntimeAPI::v3,
                               QStringLiteral("3.16.1")})
                     .label(),
                 QStringLiteral("10.0.0.7:4001 \u2013 Ontime 3.16.1"));
        QCOMPARE(
            (OntimeServer{QStringLiteral("h"), 80, OntimeAPI::v1, QStringLiteral("1.x")}).label(),
            QStringLiteral("h:80 \u2013 Ontime 1.x"));
    }

    void everyCapturedAnswerDecodes() {
        const QStringList files =
            QDir(QStringLiteral(KALVANE_ONTIME_SAMPLES)).entryList({QStringLiteral("*.json")});
        QCOMPARE(files.size(), 51);
        for (const QString& file : files) {
            if (file.endsWith(u"_api_version.json")) {
                const auto version = VersionResponse::decode(fakes::sample(file));
                QVERIFY2(version, qPrintable(file));
                QVERIFY(file.startsWith(u'v' + version->payload + u'_'));
            } else {
                QVERIFY2(PollResponse::decode(fakes::sample(file)), qPrintable(file));
            }
        }
    }

    void idleAnswersHoldNullsThatMeanAbsent() {
        for (const char* version : {"v3.5.1", "v3.16.1", "v4.11.0"}) {
            const auto poll = PollResponse::decode(fakes::sample(
                QString::fromLatin1(version) + QStringLiteral("_api_poll_idle.json")));
            QVERIFY(poll);
            QVERIFY(poll->payload.timer);
            QVERIFY(!poll->payload.timer->current);
            QVERIFY(!poll->payload.timer->duration);
            QCOMPARE(poll->payload.timer->playback, QStringLiteral("stop"));
            QVERIFY(!poll->payload.eventNow);
            QVERIFY(poll->payload.clock);
        }
    }

    // The three shapes of the second text across server versions all land in the same place.
    void secondaryTextOfEveryServerGeneration() {
        for (const char* version : {"v3.5.1", "v3.16.1", "v4.11.0"}) {
            SettingsStore settings;
            OntimeModel model(settings);
            const auto poll = PollResponse::decode(fakes::sample(
                QString::fromLatin1(version) + QStringLiteral("_api_poll_message_secondary.json")));
            QVERIFY(poll);
            model.takeOver(*poll);
            QCOMPARE(model.secondaryMessage(), QStringLiteral("Questions next"));
            QCOMPARE(model.timerMessage(), QStringLiteral("Wrap up, please"));
            QVERIFY(model.timerMessageBlinks());
            QCOMPARE(model.playback(), QStringLiteral("play"));
            QVERIFY(*model.current() < 0);
            QCOMPARE(model.durationMs(), 8000.0);
            QCOMPARE(model.warningMs(), 5000.0);
            QCOMPARE(model.dangerMs(), 3000.0);
            QVERIFY(!model.eventTitle().isEmpty());
        }
    }

    void documentShapesThatFail_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("not JSON") << QByteArray("<html>Ontime</html>");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("array") << QByteArray("[{\"payload\":{}}]");
        QTest::newRow("payload missing") << QByteArray("{\"clock\":1}");
        QTest::newRow("payload null") << QByteArray("{\"payload\":null}");
        QTest::newRow("payload a string") << QByteArray("{\"payload\":\"x\"}");
        QTest::newRow("current a string") << pollBody(R"({"timer":{"current":"5000"}})");
        QTest::newRow("playback a number") << pollBody(R"({"timer":{"playback":1}})");
        QTest::newRow("timer an array") << pollBody(R"({"timer":[]})");
        QTest::newRow("title a number") << pollBody(R"({"eventNow":{"title":7}})");
        QTest::newRow("timeWarning a string") << pollBody(R"({"eventNow":{"timeWarning":"1"}})");
        QTest::newRow("visible a number") << pollBody(R"({"message":{"timer":{"visible":1}}})");
        QTest::newRow("blink a string") << pollBody(R"({"message":{"timer":{"blink":"true"}}})");
        QTest::newRow("secondary an object") << pollBody(R"({"message":{"secondary":{}}})");
        QTest::newRow("external a number") << pollBody(R"({"message":{"external":3}})");
        QTest::newRow("external text a number")
            << pollBody(R"({"message":{"external":{"text":3,"visible":true}}})");
        QTest::newRow("clock a string") << pollBody(R"({"clock":"12:00"})");
    }

    void documentShapesThatFail() {
        QFETCH(QByteArray, body);
        QVERIFY(!PollResponse::decode(body));
    }

    void optionalMeansMissingOrNull() {
        const auto decoded = PollResponse::decode(pollBody(
            R"({"clock":123.5,"timer":null,"eventNow":{"title":null},"message":{},"extra":[1,2]})"));
        QVERIFY(decoded);
        QVERIFY(!decoded->payload.timer);
        QCOMPARE(decoded->payload.clock, 123.5);
        QVERIFY(decoded->payload.eventNow);
        QVERIFY(!decoded->payload.eventNow->title);
        QVERIFY(decoded->payload.message);
        QVERIFY(!decoded->payload.message->external);

        const auto fractional = PollResponse::decode(
            pollBody(R"({"timer":{"current":-1500.25,"duration":6e4,"playback":"play"}})"));
        QVERIFY(fractional);
        QCOMPARE(*fractional->payload.timer->current, -1500.25);
        QCOMPARE(*fractional->payload.timer->duration, 60000.0);
    }

    void versionNeedsATextPayload() {
        QCOMPARE(VersionResponse::decode(R"({"payload":"4.11.0","x":1})")->payload,
                 QStringLiteral("4.11.0"));
        QVERIFY(!VersionResponse::decode(R"({"payload":4})"));
        QVERIFY(!VersionResponse::decode(R"({"payload":null})"));
        QVERIFY(!VersionResponse::decode(R"({})"));
        QVERIFY(!VersionResponse::decode("<!doctype html>"));
    }

    // The parser keeps no difference between 4001 and 4001.0, so both are whole numbers.
    void legacyInfoNeedsAWholeServerPort() {
        QCOMPARE(LegacyInfo::decode(R"({"serverPort":4001})")->serverPort, 4001);
        QCOMPARE(LegacyInfo::decode(R"({"serverPort":4001.0,"other":"x"})")->serverPort, 4001);
        QVERIFY(!LegacyInfo::decode(R"({"serverPort":4001.5})"));
        QVERIFY(!LegacyInfo::decode(R"({"serverPort":"4001"})"));
        QVERIFY(!LegacyInfo::decode(R"({"serverPort":1e30})"));
        QVERIFY(!LegacyInfo::decode(R"({"serverPort":null})"));
        QVERIFY(!LegacyInfo::decode(R"({})"));
    }

    void legacyPollTakesSecondsAndLeavesThresholdsAlone() {
        SettingsStore settings;
        OntimeModel model(settings);
        model.takeOver(*PollResponse::decode(
            fakes::sample(QStringLiteral("v3.5.1_api_poll_message_secondary.json"))));
        const auto legacy = LegacyPoll::decode(R"({"running":12.5,"playback":"play","title":"x"})");
        QVERIFY(legacy);
        model.takeOver(*legacy);
        QCOMPARE(model.current(), 12500.0);
        QCOMPARE(model.playback(), QStringLiteral("play"));
        QVERIFY(model.eventTitle().isEmpty());
        QVERIFY(model.timerMessage().isEmpty());
        QVERIFY(model.secondaryMessage().isEmpty());
        QVERIFY(!model.durationMs());
        // A legacy server knows no thresholds and no blinking: the last values stay.
        QCOMPARE(model.warningMs(), 5000.0);
        QCOMPARE(model.dangerMs(), 3000.0);
        QVERIFY(model.timerMessageBlinks());

        model.takeOver(*LegacyPoll::decode(R"({"running":null})"));
        QVERIFY(!model.current());
        QVERIFY(model.playback().isEmpty());
        QVERIFY(!LegacyPoll::decode(R"({"running":"12"})"));
        QVERIFY(!LegacyPoll::decode(R"([])"));
    }

    void messageRules_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("timerMessage");
        QTest::addColumn<bool>("blinks");
        QTest::addColumn<QString>("secondary");

        QTest::newRow("hidden but blinking")
            << QByteArray(R"({"timer":{"text":"Hi","visible":false,"blink":true}})") << QString()
            << true << QString();
        QTest::newRow("visible without text")
            << QByteArray(R"({"timer":{"visible":true}})") << QString() << false << QString();
        QTest::newRow("secondary chosen")
            << QByteArray(
                   R"({"timer":{"text":"A","visible":true,"secondarySource":"secondary"},"secondary":"B"})")
            << QStringLiteral("A") << false << QStringLiteral("B");
        QTest::newRow("secondary not chosen")
            << QByteArray(R"({"timer":{"secondarySource":null},"secondary":"B"})") << QString()
            << false << QString();
        // Present secondary text wins over the external message, even a visible one.
        QTest::newRow("secondary with external source")
            << QByteArray(
                   R"({"timer":{"secondarySource":"external"},"secondary":"B","external":{"text":"E","visible":true}})")
            << QString() << false << QString();
        QTest::newRow("external object visible")
            << QByteArray(R"({"external":{"text":"E","visible":true}})") << QString() << false
            << QStringLiteral("E");
        QTest::newRow("external object hidden")
            << QByteArray(R"({"external":{"text":"E","visible":false}})") << QString() << false
            << QString();
        QTest::newRow("external text chosen")
            << QByteArray(R"({"timer":{"secondarySource":"external"},"external":"E"})") << QString()
            << false << QStringLiteral("E");
        QTest::newRow("external text not chosen")
            << QByteArray(R"({"timer":{"secondarySource":"secondary"},"external":"E"})")
            << QString() << false << QString();
        QTest::newRow("external text without timer")
            << QByteArray(R"({"external":"E"})") << QString() << false << QString();
    }

    void messageRules() {
        QFETCH(QByteArray, message);
        QFETCH(QString, timerMessage);
        QFETCH(bool, blinks);
        QFETCH(QString, secondary);
        const auto response = PollResponse::decode(pollBody("{\"message\":" + message + "}"));
        QVERIFY(response);
        SettingsStore settings;
        OntimeModel model(settings);
        model.takeOver(*response);
        QCOMPARE(model.timerMessage(), timerMessage);
        QCOMPARE(model.timerMessageBlinks(), blinks);
        QCOMPARE(model.secondaryMessage(), secondary);
    }

    void takeOverClearsWhatTheAnswerLacks() {
        SettingsStore settings;
        OntimeModel model(settings);
        model.takeOver(
            *PollResponse::decode(fakes::sample(QStringLiteral("v4.11.0_api_poll_roll.json"))));
        QCOMPARE(model.playback(), QStringLiteral("roll"));
        model.takeOver(*PollResponse::decode(pollBody("{}")));
        QVERIFY(!model.current());
        QVERIFY(model.playback().isEmpty());
        QVERIFY(model.eventTitle().isEmpty());
        QVERIFY(!model.durationMs());
        QVERIFY(!model.warningMs());
        QVERIFY(!model.dangerMs());
        QVERIFY(model.timerMessage().isEmpty());
        QVERIFY(!model.timerMessageBlinks());
        QVERIFY(model.secondaryMessage().isEmpty());
    }

    void formatExamples_data() {
        QTest::addColumn<double>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("59.001 s") << 59001.0 << QStringLiteral("01:00");
        QTest::newRow("1 ms") << 1.0 << QStringLiteral("00:01");
        QTest::newRow("zero") << 0.0 << QStringLiteral("00:00");
        QTest::newRow("one hour") << 3600000.0 << QStringLiteral("1:00:00");
        QTest::newRow("just under an hour") << 3599000.0 << QStringLiteral("59:59");
        QTest::newRow("-0.999 s") << -999.0 << QStringLiteral("-00:00");
        QTest::newRow("-1 s") << -1000.0 << QStringLiteral("-00:01");
        QTest::newRow("-61 s") << -61000.0 << QStringLiteral("-01:01");
        QTest::newRow("-2 h") << -7261000.0 << QStringLiteral("-2:01:01");
        QTest::newRow("100 h") << 360000000.0 << QStringLiteral("100:00:00");
        QTest::newRow("beyond 64 bits") << 1e300 << QStringLiteral("--:--");
        QTest::newRow("beyond 64 bits, overtime") << -1e300 << QStringLiteral("--:--");
        QTest::newRow("not a number") << std::nan("") << QStringLiteral("--:--");
        QTest::newRow("infinite") << HUGE_VAL << QStringLiteral("--:--");
    }

    void formatExamples() {
        QFETCH(double, ms);
        QFETCH(QString, text);
        QCOMPARE(OntimeModel::format(ms), text);
    }
};

KALVANE_TEST_MAIN_CORE(OntimeWireTest)
#include "OntimeWireTest.moc"
