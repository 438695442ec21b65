#include "http/HttpResponseReader.h"

#include "http/PortalError.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

constexpr std::size_t kBufferSize = 16 * 1024;

[[noreturn]] void ThrowClosed() {
    throw PortalError(QStringLiteral("Connection Closed Gracefully."));
}

[[noreturn]] void ThrowBadChunk() {
    throw PortalError(QStringLiteral("Invalid chunked transfer coding in the answer."));
}

bool IsChunked(const HttpHeaderFields& fields) {
    const QByteArray codings = HeaderValue(fields, "Transfer-Encoding");
    if (codings.isEmpty())
        return false;
    const QByteArray last = codings.mid(codings.lastIndexOf(',') + 1).trimmed();
    return QByteArrayView(last).compare("chunked", Qt::CaseInsensitive) == 0;
}

std::optional<std::size_t> ContentLength(const HttpHeaderFields& fields) {
    const QByteArray text = HeaderValue(fields, "Content-Length");
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    std::size_t length = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        length = length * 10 + static_cast<std::size_t>(c - '0');
    }
    return length;
}

// The size of a chunk from its size line ("1a;name=value" gives 26).
std::size_t ChunkSize(const QByteArray& line, std::size_t limit) {
    const qsizetype semicolon = line.indexOf(';');
    const QByteArray digits = (semicolon < 0 ? line : line.left(semicolon)).trimmed();
    if (digits.isEmpty())
        ThrowBadChunk();
    std::size_t size = 0;
    for (const char c : digits) {
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            ThrowBadChunk();
        size = size * 16 + static_cast<std::size_t>(digit);
        if (size > limit) // also keeps the arithmetic far from overflow
            return limit + 1;
    }
    return size;
}

} // namespace

HttpResponseReader::HttpResponseReader(ByteSource& source, std::size_t maxAnswerBytes)
    : source_(source), maxAnswerBytes_(maxAnswerBytes), buffer_(kBufferSize) {}

void HttpResponseReader::Count(std::size_t bytes) {
    counted_ += bytes;
    if (counted_ > maxAnswerBytes_) {
        throw PortalError(QStringLiteral("Answer exceeds the size limit of %1 bytes.")
                              .arg(static_cast<qulonglong>(maxAnswerBytes_)));
    }
}

bool HttpResponseReader::Fill() {
    begin_ = 0;
    end_ = source_.ReadSome(buffer_.data(), buffer_.size());
    return end_ > 0;
}

QByteArray HttpResponseReader::ReadLine() {
    QByteArray line;
    for (;;) {
        if (begin_ == end_ && !Fill())
            ThrowClosed();
        const char* start = buffer_.data() + begin_;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        const std::size_t take =
            newline ? static_cast<std::size_t>(newline - start) + 1 : end_ - begin_;
        Count(take);
        line.append(start, static_cast<qsizetype>(take));
        begin_ += take;
        if (newline)
            break;
    }
    line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

QByteArray HttpResponseReader::ReadStatusLine() {
    return ReadLine();
}

HttpHeaderFields HttpResponseReader::ReadHeaderFields() {
    HttpHeaderFields fields;
    for (;;) {
        const QByteArray line = ReadLine();
        if (line.isEmpty())
            return fields;
        HttpHeaderField field;
        if (ParseHeaderLine(line, field))
            fields.push_back(std::move(field));
    }
}

QByteArray HttpResponseReader::ReadBody(int statusCode, const HttpHeaderFields& fields) {
    QByteArray body;
    reachedEnd_ = false;
    if ((statusCode >= 100 && statusCode < 200) || statusCode == 204 || statusCode == 304)
        return body;
    if (IsChunked(fields)) {
        ReadChunked(body);
    } else if (const std::optional<std::size_t> length = ContentLength(fields)) {
        ReadExactly(*length, body);
    } else {
        ReadToEnd(body);
    }
    return body;
}

void HttpResponseReader::ReadExactly(std::size_t length, QByteArray& body) {
    if (length > maxAnswerBytes_ - std::min(counted_, maxAnswerBytes_))
        Count(length); // fails at once instead of after reading up to the cap
    body.reserve(body.size() + static_cast<qsizetype>(std::min<std::size_t>(length, 1 << 20)));
    while (length > 0) {
        if (begin_ == end_ && !Fill())
            ThrowClosed();
        const std::size_t take = std::min(length, end_ - begin_);
        Count(take);
        body.append(buffer_.data() + begin_, static_cast<qsizetype>(take));
        begin_ += take;
        length -= take;
    }
}

void HttpResponseReader::ReadChunked(QByteArray& body) {
    for (;;) {
        const std::size_t size = ChunkSize(ReadLine(), maxAnswerBytes_);
        if (size == 0)
            break;
        ReadExactly(size, body);
        if (!ReadLine().isEmpty())
            ThrowBadChunk();
    }
    while (!ReadLine().isEmpty()) {
        // trailer lines are read and passed over
    }
}

void HttpResponseReader::ReadToEnd(QByteArray& body) {
    for (;;) {
        if (begin_ == end_ && !Fill())
            break;
        const std::size_t take = end_ - begin_;
        Count(take);
        body.append(buffer_.data() + begin_, static_cast<qsizetype>(take));
        begin_ = end_;
    }
    reachedEnd_ = true;
}
