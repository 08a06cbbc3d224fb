#include "async/ResponseReader.h"
#include "support/TestMain.h"

#include <QTest>

using async::ResponseReader;
using State = ResponseReader::State;

class ResponseReaderTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersAreReadWithinTheirLimits_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("closed"); // the server closes after the bytes
        QTest::addColumn<int>("state");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("reusable");
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        QTest::newRow("length") << ok + "Content-Length: 2\r\n\r\nhi" << false
                                << int(State::complete) << QByteArray("hi") << true;
        QTest::newRow("chunks with trailer")
            << ok + "Transfer-Encoding: chunked\r\n\r\n2;x=1\r\nhi\r\n1\r\n!\r\n0\r\nT: 1\r\n\r\n"
            << false << int(State::complete) << QByteArray("hi!") << true;
        QTest::newRow("interim answer first")
            << "HTTP/1.1 100 Continue\r\n\r\n" + ok + "Content-Length: 1\r\n\r\nx" << false
            << int(State::complete) << QByteArray("x") << true;
        QTest::newRow("until close, bare line ends")
            << QByteArray("HTTP/1.0 200 OK\nX: y\n\nbody") << true << int(State::complete)
            << QByteArray("body") << false;
        QTest::newRow("connection close") << ok + "Connection: close\r\nContent-Length: 0\r\n\r\n"
                                          << false << int(State::complete) << QByteArray() << false;
        QTest::newRow("cut short") << ok + "Content-Length: 5\r\n\r\nab" << true
                                   << int(State::failed) << QByteArray() << false;
        QTest::newRow("not HTTP") << QByteArray("SSH-2.0-x\r\n") << false << int(State::failed)
                                  << QByteArray() << false;
        QTest::newRow("two lengths") << ok + "Content-Length: 1\r\nContent-Length: 2\r\n\r\nx"
                                     << false << int(State::failed) << QByteArray() << false;
        QTest::newRow("chunk size overflow")
            << ok + "Transfer-Encoding: chunked\r\n\r\nffffffffffffffff\r\n"
            << false << int(State::failed) << QByteArray() << false;
        QTest::newRow("one huge header") << ok + "X: " + QByteArray(70 * 1024, 'a') << false
                                         << int(State::failed) << QByteArray() << false;
        QTest::newRow("too many headers") << ok + QByteArray("X: y\r\n").repeated(101) << false
                                          << int(State::failed) << QByteArray() << false;
        QTest::newRow("endless blank lines") << QByteArray("\r\n").repeated(40000) << false
                                             << int(State::failed) << QByteArray() << false;
        QTest::newRow("status line too long") << "HTTP/1.1 200 " + QByteArray(2000, 'k') << false
                                              << int(State::failed) << QByteArray() << false;
    }

    void answersAreReadWithinTheirLimits() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, closed);
        QFETCH(int, state);
        QFETCH(QByteArray, body);
        QFETCH(bool, reusable);
        // Byte by byte and all at once must read alike.
        for (const qsizetype piece : {qsizetype(1), bytes.size()}) {
            ResponseReader reader;
            for (qsizetype at = 0; at < bytes.size() && reader.state() == State::reading;
                 at += piece)
                reader.feed(QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at)));
            if (closed)
                reader.closed();
            QCOMPARE(int(reader.state()), state);
            QCOMPARE(reader.body(), body);
            QCOMPARE(reader.reusable(), reusable);
        }
    }

    void aBodyOverTheCapCountsWithoutIt() {
        async::ResponseLimits limits;
        limits.bodyBytes = 4;
        for (const QByteArray& head : {QByteArray("Content-Length: 5\r\n\r\n"),
                                       QByteArray("Transfer-Encoding: chunked\r\n\r\n5\r\n")}) {
            ResponseReader reader(limits);
            QCOMPARE(int(reader.feed("HTTP/1.1 503 Busy\r\n" + head + "hello")),
                     int(State::complete));
            QCOMPARE(reader.status(), 503);
            QVERIFY(reader.bodyTooLarge());
            QVERIFY(reader.body().isEmpty());
            QVERIFY(!reader.reusable());
        }
    }
};

KALVANE_TEST_MAIN_CORE(ResponseReaderTest)
#include "ResponseReaderTest.moc"
