#include "http/HttpRequestText.h"

#include "http/PortalError.h"
#include "http/PortalUrl.h"

#include <gtest/gtest.h>

namespace {

TEST(HttpRequestText, PutsTheLinesInTheirFixedOrder) {
    HttpRequestHead head;
    head.method = "POST";
    head.target = QStringLiteral("/a/b?x=1&y=");
    head.http10 = true;
    head.connection = QStringLiteral("keep-alive");
    head.contentType = QStringLiteral("application/json");
    head.contentCharset = QStringLiteral("UTF-8");
    head.contentLength = 42;
    head.customHeaders = {QStringLiteral("Request-GUID: 1"), QStringLiteral("Session-GUID: 0")};
    head.host = QStringLiteral("portal.example:8443");
    head.accept = QStringLiteral("text/html, */*");
    head.referer = QStringLiteral("https://portal.example:8443");
    head.userAgent = QStringLiteral("UA/1");
    head.cookie = QStringLiteral("a=1; b=2");
    EXPECT_EQ(BuildRequestText(head), QByteArray("POST /a/b?x=1&y= HTTP/1.0\r\n"
                                                 "Connection: keep-alive\r\n"
                                                 "Content-Type: application/json; charset=UTF-8\r\n"
                                                 "Content-Length: 42\r\n"
                                                 "Request-GUID: 1\r\n"
                                                 "Session-GUID: 0\r\n"
                                                 "Host: portal.example:8443\r\n"
                                                 "Accept: text/html, */*\r\n"
                                                 "Referer: https://portal.example:8443\r\n"
                                                 "User-Agent: UA/1\r\n"
                                                 "Cookie: a=1; b=2\r\n"
                                                 "\r\n"));
}

TEST(HttpRequestText, LeavesOutEmptyValues) {
    HttpRequestHead head;
    head.method = "GET";
    head.target = QStringLiteral("/");
    head.host = QStringLiteral("h");
    head.contentCharset = QStringLiteral("UTF-8"); // without a content type: no line
    EXPECT_EQ(BuildRequestText(head), QByteArray("GET / HTTP/1.1\r\nHost: h\r\n\r\n"));
    head.contentType = QStringLiteral("text/plain");
    head.contentCharset.clear();
    head.contentLength = 0;
    EXPECT_EQ(BuildRequestText(head),
              QByteArray("GET / HTTP/1.1\r\nContent-Type: text/plain\r\nContent-Length: "
                         "0\r\nHost: h\r\n\r\n"));
}

TEST(PortalUrl, SplitsHostPortAndTarget) {
    const struct {
        const char* url;
        const char* host;
        int port;
        const char* hostLine;
        const char* target;
    } cases[] = {
        {"https://portal.example/x/y?q=1", "portal.example", 443, "portal.example", "/x/y?q=1"},
        {"https://127.0.0.1:8443/x", "127.0.0.1", 8443, "127.0.0.1:8443", "/x"},
        {"https://h:443/", "h", 443, "h", "/"},
        {"https://h", "h", 443, "h", "/"},
        {"https://h?q", "h", 443, "h", "/?q"},
        {"https://h/p#frag", "h", 443, "h", "/p"},
        {"https://h/public//guid", "h", 443, "h", "/public//guid"},
        {"http://h/p", "h", 80, "h", "/p"},
    };
    for (const auto& c : cases) {
        const PortalUrl url = ParsePortalUrl(QString::fromLatin1(c.url));
        EXPECT_EQ(url.host, QString::fromLatin1(c.host)) << c.url;
        EXPECT_EQ(url.port, c.port) << c.url;
        EXPECT_EQ(url.HostLine(), QString::fromLatin1(c.hostLine)) << c.url;
        EXPECT_EQ(url.target, QString::fromLatin1(c.target)) << c.url;
    }
    EXPECT_THROW(ParsePortalUrl(QStringLiteral("no-scheme/x")), PortalError);
    EXPECT_THROW(ParsePortalUrl(QStringLiteral("https://h:99999/")), PortalError);
    EXPECT_THROW(ParsePortalUrl(QStringLiteral("https://h:x/")), PortalError);
}

TEST(PortalUrl, ResolvesRedirectTargets) {
    const PortalUrl base = ParsePortalUrl(QStringLiteral("https://h:8443/a/b/c?q=1"));
    const struct {
        const char* location;
        const char* url;
    } cases[] = {
        {"https://o/x", "https://o/x"},
        {"HTTP://o/x", "HTTP://o/x"},
        {"svn+ssh.v-2://o/x", "svn+ssh.v-2://o/x"},
        {"//o:1/x", "https://o:1/x"},
        {"/x?y", "https://h:8443/x?y"},
        {"d", "https://h:8443/a/b/d"},
        // "://" after the start does not make a location absolute
        {"/next?u=https://x/y", "https://h:8443/next?u=https://x/y"},
        {"next?u=https://x/y", "https://h:8443/a/b/next?u=https://x/y"},
        {"/go/https://x/y", "https://h:8443/go/https://x/y"},
        {"1x://o/x", "https://h:8443/a/b/1x://o/x"},
        {"a_b://o/x", "https://h:8443/a/b/a_b://o/x"},
        {"://o/x", "https://h:8443/a/b/://o/x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolveLocation(base, QString::fromLatin1(c.location)).toStdString(), c.url)
            << c.location;
    }
}

} // namespace
