#include "async/ResponseReader.h"

#include <algorithm>
#include <optional>

namespace async {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The characters of a header name (RFC 9110 "token").
bool isTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c))
        return true;
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool sameText(QByteArrayView a, QByteArrayView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The comma-separated elements of the named headers, trimmed, empty ones left out.
QList<QByteArray> listElements(const QList<QPair<QByteArray, QByteArray>>& headers,
                               QByteArrayView name) {
    QList<QByteArray> elements;
    for (const auto& [field, value] : headers) {
        if (!sameText(field, name))
            continue;
        for (const QByteArray& part : value.split(','))
            if (const QByteArray element = part.trimmed(); !element.isEmpty())
                elements.append(element);
    }
    return elements;
}

bool hasElement(const QList<QByteArray>& elements, QByteArrayView wanted) {
    return std::any_of(elements.begin(), elements.end(),
                       [wanted](const QByteArray& element) { return sameText(element, wanted); });
}

// The body length the headers announce: nothing when none does, -1 when they contradict
// each other or say something that is no length.
std::optional<qint64> announcedLength(const QList<QPair<QByteArray, QByteArray>>& headers) {
    std::optional<qint64> length;
    for (const QByteArray& element : listElements(headers, "content-length")) {
        // Eighteen digits cannot overflow a qint64.
        if (element.size() > 18 || !std::all_of(element.begin(), element.end(), isDigit))
            return -1;
        const qint64 value = element.toLongLong();
        if (length && *length != value)
            return -1;
        length = value;
    }
    return length;
}

} // namespace

ResponseReader::ResponseReader(ResponseLimits limits)
    : m_limits(limits) {}

ResponseReader::State ResponseReader::feed(QByteArrayView bytes) {
    if (m_state != State::reading || bytes.isEmpty())
        return m_state;
    m_started = true;
    m_buffer.append(bytes);
    while (m_state == State::reading && step()) {
    }
    if (m_state == State::complete && m_position < m_buffer.size()) {
        // More than the answer: whatever it is, the connection is no longer in step.
        m_keepAlive = false;
    }
    m_buffer.remove(0, m_position);
    m_scanned = std::max<qsizetype>(0, m_scanned - m_position);
    m_position = 0;
    return m_state;
}

ResponseReader::State ResponseReader::closed() {
    if (m_state != State::reading)
        return m_state;
    if (m_phase == Phase::untilClose)
        complete();
    else
        fail(m_started ? "connection closed inside the answer" : "connection closed");
    return m_state;
}

QByteArray ResponseReader::header(QByteArrayView name) const {
    for (const auto& [field, value] : m_headers)
        if (sameText(field, name))
            return value;
    return {};
}

bool ResponseReader::step() {
    QByteArrayView line;
    switch (m_phase) {
    case Phase::statusLine:
        if (!nextHeaderLine(line))
            return false;
        // Blank lines left over from an earlier answer are skipped (and counted).
        return line.isEmpty() || readStatus(line);
    case Phase::headers:
        if (!nextHeaderLine(line))
            return false;
        if (line.isEmpty()) {
            headersEnded();
            return true;
        }
        return readHeader(line);
    case Phase::lengthBody:
        m_remaining -= takeBody(m_remaining);
        if (m_remaining == 0)
            complete();
        return false;
    case Phase::untilClose:
        takeBody(m_buffer.size() - m_position);
        return false;
    case Phase::chunkSize:
        return nextLine(m_limits.lineBytes, line) && readChunkSize(line);
    case Phase::chunkData:
        m_remaining -= takeBody(m_remaining);
        if (m_remaining > 0)
            return false;
        m_phase = Phase::chunkEnd;
        return true;
    case Phase::chunkEnd:
        if (!nextLine(m_limits.lineBytes, line))
            return false;
        if (!line.isEmpty()) {
            fail("chunk longer than announced");
            return false;
        }
        m_phase = Phase::chunkSize;
        return true;
    case Phase::trailers:
        if (!nextHeaderLine(line))
            return false;
        if (line.isEmpty()) {
            complete();
            return false;
        }
        // Trailers are read only to find the end of the answer.
        if (++m_trailerCount > m_limits.headerCount) {
            fail("too many trailer lines");
            return false;
        }
        return true;
    }
    return false;
}

bool ResponseReader::nextLine(qsizetype limit, QByteArrayView& line) {
    // Bytes searched before are not searched again: a line arriving a byte at a time costs
    // no more than one arriving at once.
    const qsizetype end = m_buffer.indexOf('\n', std::max(m_position, m_scanned));
    m_scanned = end < 0 ? m_buffer.size() : end + 1;
    const qsizetype length = (end < 0 ? m_buffer.size() : end) - m_position;
    if (length > limit) {
        fail("line too long");
        return false;
    }
    if (end < 0)
        return false;
    line = QByteArrayView(m_buffer).sliced(m_position, length);
    m_position = end + 1;
    // Lines may end in CRLF or, leniently, in a bare LF.
    if (line.endsWith('\r'))
        line.chop(1);
    return true;
}

bool ResponseReader::nextHeaderLine(QByteArrayView& line) {
    const qsizetype before = m_position;
    const qsizetype budget = m_limits.headerBytes - m_headerBytes;
    if (!nextLine(std::min(budget, m_phase == Phase::statusLine ? m_limits.lineBytes : budget),
                  line))
        return false;
    m_headerBytes += m_position - before;
    if (m_headerBytes > m_limits.headerBytes) {
        fail("headers too large");
        return false;
    }
    return true;
}

bool ResponseReader::readStatus(QByteArrayView line) {
    // "HTTP/1.x 200 Reason", where the reason may be missing.
    const bool wellFormed = line.size() >= 12 && line.startsWith("HTTP/1.") && isDigit(line[7]) &&
                            line[8] == ' ' && isDigit(line[9]) && isDigit(line[10]) &&
                            isDigit(line[11]) && (line.size() == 12 || line[12] == ' ');
    if (!wellFormed || line[9] == '0') {
        fail("no HTTP/1 status line");
        return false;
    }
    m_status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    m_http10 = line[7] == '0';
    m_headers.clear();
    m_phase = Phase::headers;
    return true;
}

bool ResponseReader::readHeader(QByteArrayView line) {
    if (line.front() == ' ' || line.front() == '\t') {
        // An obsolete folded line continues the value above it.
        if (m_headers.isEmpty()) {
            fail("folded line without a header");
            return false;
        }
        m_headers.last().second += ' ' + line.trimmed().toByteArray();
        return true;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || !std::all_of(line.begin(), line.begin() + colon, isTokenChar)) {
        fail("malformed header line");
        return false;
    }
    if (m_headers.size() >= m_limits.headerCount) {
        fail("too many headers");
        return false;
    }
    m_headers.append(
        {line.first(colon).toByteArray(), line.sliced(colon + 1).trimmed().toByteArray()});
    return true;
}

void ResponseReader::headersEnded() {
    if (m_status < 200) {
        // An interim answer: the real one follows on the same connection. A protocol switch
        // was never asked for.
        if (m_status == 101)
            fail("protocol switch");
        else
            m_phase = Phase::statusLine;
        return;
    }
    const QList<QByteArray> connection = listElements(m_headers, "connection");
    m_keepAlive =
        m_http10 ? hasElement(connection, "keep-alive") : !hasElement(connection, "close");
    if (m_status == 204 || m_status == 304) {
        complete();
        return;
    }
    const QList<QByteArray> codings = listElements(m_headers, "transfer-encoding");
    const std::optional<qint64> length = announcedLength(m_headers);
    if (!codings.isEmpty()) {
        // A length beside the codings is ignored, and the connection is not trusted again.
        if (length)
            m_keepAlive = false;
        if (sameText(codings.last(), "chunked")) {
            m_phase = Phase::chunkSize;
        } else {
            m_phase = Phase::untilClose;
            m_keepAlive = false;
        }
        return;
    }
    if (!length) {
        m_phase = Phase::untilClose;
        m_keepAlive = false;
        return;
    }
    if (*length < 0) {
        fail("unusable Content-Length");
        return;
    }
    if (*length > m_limits.bodyBytes) {
        refuseBody();
        return;
    }
    m_remaining = *length;
    m_phase = Phase::lengthBody;
    if (m_remaining == 0)
        complete();
}

bool ResponseReader::readChunkSize(QByteArrayView line) {
    // Hex digits, then perhaps extensions after ";", which we ignore.
    qsizetype digits = 0;
    qint64 size = 0;
    for (; digits < line.size(); ++digits) {
        const int value = hexValue(line[digits]);
        if (value < 0)
            break;
        // Fifteen hex digits cannot overflow a qint64.
        if (digits == 15) {
            fail("chunk too large");
            return false;
        }
        size = size * 16 + value;
    }
    const QByteArrayView rest = line.sliced(digits).trimmed();
    if (digits == 0 || (!rest.isEmpty() && !rest.startsWith(';'))) {
        fail("malformed chunk size");
        return false;
    }
    if (size == 0) {
        m_phase = Phase::trailers;
        return true;
    }
    if (size > m_limits.bodyBytes - m_body.size()) {
        refuseBody();
        return false;
    }
    m_remaining = size;
    m_phase = Phase::chunkData;
    return true;
}

qint64 ResponseReader::takeBody(qint64 wanted) {
    const qint64 taken = std::min<qint64>(wanted, m_buffer.size() - m_position);
    if (m_body.size() + taken > m_limits.bodyBytes) {
        refuseBody();
        return 0;
    }
    m_body.append(QByteArrayView(m_buffer).sliced(m_position, taken));
    m_position += taken;
    return taken;
}

void ResponseReader::refuseBody() {
    // The answer still counts; the rest of its body is never read, so the connection is done.
    m_bodyTooLarge = true;
    m_body.clear();
    m_body.squeeze();
    m_keepAlive = false;
    m_position = m_buffer.size();
    m_state = State::complete;
}

void ResponseReader::complete() {
    m_state = State::complete;
}

void ResponseReader::fail(const char* why) {
    m_state = State::failed;
    m_failure = why;
    m_keepAlive = false;
    m_body.clear();
}

} // namespace async
