#pragma once

#include "http/ByteSource.h"
#include "http/HttpHeaderFields.h"

#include <QByteArray>
#include <cstddef>
#include <vector>

// Reads one answer from a byte source: status lines, header lines and the body, which ends by
// "Content-Length", by the chunked transfer coding (extensions and trailers allowed) or at the
// end of the connection. Every byte of the answer counts against a size cap, so a hostile or
// broken server cannot make the reader grow without bound.
class HttpResponseReader {
public:
    static constexpr std::size_t kDefaultMaxAnswerBytes = std::size_t{256} * 1024 * 1024;

    explicit HttpResponseReader(ByteSource& source,
                                std::size_t maxAnswerBytes = kDefaultMaxAnswerBytes);

    // One line without its line end (CR LF or a lone LF). Fails with "Connection Closed
    // Gracefully." when the stream ends before the line does.
    QByteArray ReadStatusLine();

    // Header lines up to the empty line; lines without a colon are passed over.
    HttpHeaderFields ReadHeaderFields();

    // The body of an answer with this status code and these header lines. 1xx, 204 and 304
    // answers have none.
    QByteArray ReadBody(int statusCode, const HttpHeaderFields& fields);

    // True when the body was read up to the end of the connection.
    bool ReachedStreamEnd() const { return reachedEnd_; }

    // True when bytes beyond the answer are already buffered (the connection is then out of
    // step and must not be reused).
    bool HasBufferedBytes() const { return begin_ < end_; }

private:
    QByteArray ReadLine();
    bool Fill();
    void Count(std::size_t bytes);
    void ReadExactly(std::size_t length, QByteArray& body);
    void ReadChunked(QByteArray& body);
    void ReadToEnd(QByteArray& body);

    ByteSource& source_;
    std::size_t maxAnswerBytes_;
    std::size_t counted_ = 0;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool reachedEnd_ = false;
};
