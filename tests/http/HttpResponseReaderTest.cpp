#include "http/HttpResponseReader.h"

#include "http/HttpStatusLine.h"
#include "http/PortalError.h"

#include <gtest/gtest.h>

namespace {

struct ReadResult {
    QByteArray statusLine;
    HttpHeaderFields fields;
    QByteArray body;
    bool reachedEnd = false;
};

// Reads one whole answer the way the client does, feeding `step` bytes per read.
ReadResult ReadAnswer(const QByteArray& wire, std::size_t step = 4096,
                      std::size_t cap = HttpResponseReader::kDefaultMaxAnswerBytes) {
    MemoryByteSource source(wire.constData(), static_cast<std::size_t>(wire.size()), step);
    HttpResponseReader reader(source, cap);
    ReadResult result;
    result.statusLine = reader.ReadStatusLine();
    while (IsInterimStatus(StatusCodeOf(result.statusLine))) {
        reader.ReadHeaderFields();
        result.statusLine = reader.ReadStatusLine();
    }
    result.fields = reader.ReadHeaderFields();
    result.body = reader.ReadBody(StatusCodeOf(result.statusLine), result.fields);
    result.reachedEnd = reader.ReachedStreamEnd();
    return result;
}

QString FailureOf(const QByteArray& wire, std::size_t step = 4096,
                  std::size_t cap = HttpResponseReader::kDefaultMaxAnswerBytes) {
    try {
        ReadAnswer(wire, step, cap);
    } catch (const PortalError& error) {
        return error.message();
    }
    return QStringLiteral("(no failure)");
}

TEST(StatusCodeOf, ReadsTheSecondWordUpToAnyDot) {
    const struct {
        const char* line;
        int code;
    } cases[] = {
        {"HTTP/1.1 404 Not Found", 404},
        {"HTTP/1.1 200 OK", 200},
        {"HTTP/1.0 302.5 Found", 302},
        {"HTTP/1.1  301  Moved", 301},
        {"HTTP/1.1 abc Nonsense", -1},
        {"HTTP/1.1", -1},
        {"", -1},
        {"HTTP/1.1 .5 Dot", -1},
        {"HTTP/1.1 12x OK", -1},
        {"HTTP/1.1 99999999999 Huge", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusCodeOf(QByteArray(c.line)), c.code) << c.line;
}

TEST(HttpResponseReader, ReadsABodyByContentLength) {
    for (const std::size_t step : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        const ReadResult result = ReadAnswer(
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n\r\nhelloEXTRA",
            step);
        EXPECT_EQ(result.statusLine, "HTTP/1.1 200 OK");
        EXPECT_EQ(result.body, "hello");
        EXPECT_EQ(HeaderValue(result.fields, "content-type"), "text/plain");
        EXPECT_FALSE(result.reachedEnd);
    }
}

TEST(HttpResponseReader, ReadsAChunkedBodyWithExtensionsAndTrailers) {
    const QByteArray wire = "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, Chunked\r\n\r\n"
                            "4;name=value\r\nWiki\r\n"
                            "6 ; quoted=\"a;b\"\r\npedia \r\n"
                            "E\r\nin \r\n\r\nchunks.\r\n"
                            "0;last\r\nExpires: never\r\nX-Trailer: 1\r\n\r\n";
    for (const std::size_t step : {std::size_t{1}, std::size_t{3}, std::size_t{4096}}) {
        const ReadResult result = ReadAnswer(wire, step);
        EXPECT_EQ(result.body, "Wikipedia in \r\n\r\nchunks.");
    }
}

TEST(HttpResponseReader, ReadsToTheEndOfTheConnectionWithoutALength) {
    const ReadResult result = ReadAnswer("HTTP/1.0 200 OK\r\nServer: x\r\n\r\nall of it\r\n");
    EXPECT_EQ(result.body, "all of it\r\n");
    EXPECT_TRUE(result.reachedEnd);
}

TEST(HttpResponseReader, SkipsInterimAnswers) {
    const ReadResult result = ReadAnswer("HTTP/1.1 100 Continue\r\n\r\n"
                                         "HTTP/1.1 102 Processing\r\nX: y\r\n\r\n"
                                         "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(result.statusLine, "HTTP/1.1 200 OK");
    EXPECT_EQ(result.body, "ok");
}

TEST(HttpResponseReader, NoBodyFor204And304) {
    EXPECT_EQ(ReadAnswer("HTTP/1.1 204 No Content\r\n\r\ntrailing").body, QByteArray());
    EXPECT_EQ(ReadAnswer("HTTP/1.1 304 Not Modified\r\nContent-Length: 9\r\n\r\n").body,
              QByteArray());
}

TEST(HttpResponseReader, AcceptsBareLineFeeds) {
    const ReadResult result = ReadAnswer("HTTP/1.1 200 OK\nContent-Length: 3\n\nabc");
    EXPECT_EQ(result.statusLine, "HTTP/1.1 200 OK");
    EXPECT_EQ(result.body, "abc");
}

TEST(HttpResponseReader, ClosedEarlyFailsGracefully) {
    const QString closed = QStringLiteral("Connection Closed Gracefully.");
    EXPECT_EQ(FailureOf(""), closed);
    EXPECT_EQ(FailureOf("HTTP/1.1 200 O"), closed);
    EXPECT_EQ(FailureOf("HTTP/1.1 200 OK\r\nContent-Le"), closed);
    EXPECT_EQ(FailureOf("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort"), closed);
    EXPECT_EQ(FailureOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab"), closed);
    EXPECT_EQ(FailureOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n"), closed);
}

TEST(HttpResponseReader, RejectsBrokenChunkSizes) {
    const QString bad = QStringLiteral("Invalid chunked transfer coding in the answer.");
    EXPECT_EQ(FailureOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"), bad);
    EXPECT_EQ(FailureOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n\r\n"), bad);
    EXPECT_EQ(FailureOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n"), bad);
}

TEST(HttpResponseReader, CapsTheSizeOfOneAnswer) {
    const QString over = QStringLiteral("Answer exceeds the size limit of 64 bytes.");
    const QByteArray head = "HTTP/1.1 200 OK\r\n";
    // by Content-Length: refused before reading
    EXPECT_EQ(FailureOf(head + "Content-Length: 1000000000000\r\n\r\n", 4096, 64), over);
    // to the end of the connection
    EXPECT_EQ(FailureOf(head + "\r\n" + QByteArray(100, 'x'), 4096, 64), over);
    // chunked, with a huge announced chunk
    EXPECT_EQ(
        FailureOf(head + "Transfer-Encoding: chunked\r\n\r\nffffffffffffffffffff\r\n", 4096, 64),
        over);
    // an endless header line
    EXPECT_EQ(FailureOf(head + "X: " + QByteArray(100, 'y'), 5, 64), over);
    // just under the cap passes
    const QByteArray fits = head + "Content-Length: 10\r\n\r\n0123456789";
    ASSERT_LE(fits.size(), 64);
    EXPECT_EQ(ReadAnswer(fits, 4096, 64).body, "0123456789");
}

} // namespace
