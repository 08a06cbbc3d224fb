#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

namespace async {

// How much of an answer we are willing to read. A timer's answers have a few hundred bytes
// of headers and a few kilobytes of body; a server that sends more is either broken or
// hostile, and must cost us no more than these.
struct ResponseLimits {
    // The status line, and each chunk-size line of a chunked body.
    qsizetype lineBytes = 1024;
    // Everything before the body, together: the status line, the header lines, those of
    // interim (1xx) answers, and the trailer lines of a chunked body.
    qsizetype headerBytes = 64 * 1024;
    // Header lines of one answer, and trailer lines.
    int headerCount = 100;
    // The body we keep. A longer one is not read: the answer counts with its status, without
    // its body.
    qint64 bodyBytes = 1024 * 1024;
};

// Reads one HTTP/1.0 or 1.1 answer as its bytes arrive, held to its limits: the status line,
// the headers, and a body framed by Content-Length, by chunks or by the end of the
// connection. Anything past a limit, or anything that is not HTTP, fails the answer at once,
// so that reading it never costs more than the limits, however long the server goes on.
class ResponseReader {
public:
    enum class State { reading, complete, failed };

    explicit ResponseReader(ResponseLimits limits = {});

    // Takes the next bytes of the connection.
    State feed(QByteArrayView bytes);
    // The server closed the connection: a body that runs to the close is complete now,
    // anything else cut short has failed.
    State closed();

    State state() const { return m_state; }
    // Whether any byte of an answer has arrived.
    bool started() const { return m_started; }
    int status() const { return m_status; }
    // The value of the first header with this name (compared without regard to case).
    QByteArray header(QByteArrayView name) const;
    const QByteArray& body() const { return m_body; }
    bool bodyTooLarge() const { return m_bodyTooLarge; }
    // Whether the connection can carry another request: the answer ended where its framing
    // says, nothing followed it, and the server keeps the connection open.
    bool reusable() const { return m_state == State::complete && m_keepAlive; }
    // What went wrong, for the log.
    const char* failure() const { return m_failure; }

private:
    enum class Phase {
        statusLine,
        headers,
        lengthBody,
        chunkSize,
        chunkData,
        chunkEnd,
        trailers,
        untilClose,
    };

    // One step of reading; false when it needs more bytes or the answer has ended.
    bool step();
    // The next whole line without its line end, once it has arrived; fails the answer when
    // more than `limit` bytes arrive without one.
    bool nextLine(qsizetype limit, QByteArrayView& line);
    // A line before the body, counted against the header budget.
    bool nextHeaderLine(QByteArrayView& line);
    bool readStatus(QByteArrayView line);
    bool readHeader(QByteArrayView line);
    void headersEnded();
    bool readChunkSize(QByteArrayView line);
    // Moves up to `wanted` body bytes from the buffer; returns how many.
    qint64 takeBody(qint64 wanted);
    void refuseBody();
    void complete();
    void fail(const char* why);

    ResponseLimits m_limits;
    State m_state = State::reading;
    Phase m_phase = Phase::statusLine;
    QByteArray m_buffer;
    qsizetype m_position = 0;
    // Where the search for the next line end goes on.
    qsizetype m_scanned = 0;
    qsizetype m_headerBytes = 0;
    int m_trailerCount = 0;
    bool m_started = false;

    int m_status = 0;
    bool m_http10 = false;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    bool m_keepAlive = false;
    qint64 m_remaining = 0;
    QByteArray m_body;
    bool m_bodyTooLarge = false;
    const char* m_failure = "";
};

} // namespace async
