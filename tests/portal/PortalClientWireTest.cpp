// The client against a TLS server on 127.0.0.1 that records the exact request texts.
#include "ClientTestSupport.h"
#include "portal/PortalApi.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kWorkerAgent =
    "Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:109.0) Gecko/20100101 Firefox/114.0";
const QByteArray kDirectoryAgent =
    "Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/69.0.3497.100 Safari/537.36";

// Points PORTAL_ORIGIN at a test server for the lifetime of the object.
class OriginOverride {
public:
    explicit OriginOverride(const QString& origin) {
        hadValue_ = qEnvironmentVariableIsSet("PORTAL_ORIGIN");
        saved_ = qgetenv("PORTAL_ORIGIN");
        qputenv("PORTAL_ORIGIN", origin.toUtf8());
    }
    ~OriginOverride() {
        if (hadValue_)
            qputenv("PORTAL_ORIGIN", saved_);
        else
            qunsetenv("PORTAL_ORIGIN");
    }

private:
    bool hadValue_ = false;
    QByteArray saved_;
};

QByteArray JsonOk(const QByteArray& request) {
    const QByteArray keep =
        request.contains(" HTTP/1.0\r\n") && request.contains("\r\nConnection: keep-alive\r\n")
            ? "Connection: keep-alive\r\n"
            : "";
    return Answer("200 OK", "{\"ok\":true}",
                  "Content-Type: application/json;charset=UTF-8\r\n" + keep);
}

TEST(PortalClientWire, WorkerPostThenGetAreByteExact) {
    TestTlsServer server(Serving(JsonOk));
    const OriginOverride origin(server.Origin());
    const QByteArray hostPort = "127.0.0.1:" + QByteArray::number(server.Port());
    PortalClient client(ClientProfile::Worker);
    UseShortTimeouts(client);

    ApplyPostSettings(client);
    const QString body = PassportBody(QStringLiteral("G-1"));
    EXPECT_EQ(client.PostRaw(PassportSearchUrl(), body), QByteArray("{\"ok\":true}"));
    EXPECT_EQ(client.Get(MapLookupUrl(QStringLiteral("G-1"))), QStringLiteral("{\"ok\":true}"));

    const std::vector<QByteArray> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const QByteArray worker = "Host: " + hostPort +
                              "\r\nAccept: text/html, */*\r\nReferer: https://" + hostPort +
                              "\r\nUser-Agent: " + kWorkerAgent + "\r\n\r\n";
    const QByteArray expectedPost = "POST /homemanagement/api/rest/services/passports/search "
                                    "HTTP/1.0\r\n"
                                    "Connection: keep-alive\r\n"
                                    "Content-Type: application/json; charset=UTF-8\r\n"
                                    "Content-Length: 48\r\n"
                                    "Request-GUID: 00000000-0000-0000-0000-000000000000\r\n"
                                    "Session-GUID: 0\r\n" +
                                    worker +
                                    "{\"houseGuid\":\"G-1\",\"passportParameterCode\":null}";
    const QByteArray expectedGet = "GET /search/api/rest/services/map/findByGuid?houseId=G-1 "
                                   "HTTP/1.1\r\n"
                                   "Connection: keep-alive\r\n"
                                   "Content-Type: application/json; charset=UTF-8\r\n"
                                   "Request-GUID: 00000000-0000-0000-0000-000000000000\r\n"
                                   "Session-GUID: 0\r\n" +
                                   worker;
    EXPECT_EQ(requests[0].toStdString(), expectedPost.toStdString());
    EXPECT_EQ(requests[1].toStdString(), expectedGet.toStdString());
    // the POST's answer said keep-alive, so the GET went out on the same connection
    EXPECT_EQ(server.Connections(), 1);
}

TEST(PortalClientWire, TwoPostsNeverShareAConnectionAndKeepTwoCustomLines) {
    TestTlsServer server(Serving(JsonOk));
    const OriginOverride origin(server.Origin());
    PortalClient client(ClientProfile::Worker);
    UseShortTimeouts(client);
    for (int i = 0; i < 3; ++i) {
        ApplyPostSettings(client);
        client.Post(HouseSearchUrl(i + 1, 10),
                    SearchBody(QStringLiteral("R"), QString(), QString()));
    }
    EXPECT_EQ(server.Connections(), 3);
    for (const QByteArray& request : server.Requests()) {
        EXPECT_EQ(request.count("Request-GUID: "), 1) << request.constData();
        EXPECT_EQ(request.count("Session-GUID: "), 1) << request.constData();
        EXPECT_TRUE(request.startsWith("POST ")) << request.constData();
        EXPECT_TRUE(request.contains(" HTTP/1.0\r\n")) << request.constData();
    }
}

TEST(PortalClientWire, DirectoryClientSendsOnlyHostAcceptAndUserAgent) {
    TestTlsServer server(Serving(JsonOk));
    const OriginOverride origin(server.Origin());
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    client.Get(RegionsUrl());
    client.Get(AreasUrl(QStringLiteral("R")));
    const std::vector<QByteArray> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const QByteArray expected = "GET /nsi/api/rest/services/nsi/fias/v4/regions HTTP/1.1\r\n"
                                "Host: 127.0.0.1:" +
                                QByteArray::number(server.Port()) +
                                "\r\nAccept: text/html, */*\r\nUser-Agent: " + kDirectoryAgent +
                                "\r\n\r\n";
    EXPECT_EQ(requests[0].toStdString(), expected.toStdString());
    EXPECT_TRUE(requests[1].startsWith("GET /nsi/api/rest/services/nsi/fias/v4/areas?actual=true"
                                       "&itemsPerPage=1000&page=1&searchString=&regionCode=R "
                                       "HTTP/1.1\r\nHost: "));
    EXPECT_EQ(server.Connections(), 1); // the second request reused the connection
}

TEST(PortalClientWire, KeepAliveIsJudgedByTheRequestsVersion) {
    // HTTP/1.0 POST answered without "keep-alive": closed. HTTP/1.1 GET answered with
    // "Connection: close": closed. HTTP/1.1 GET answered without a Connection line: kept.
    TestTlsServer server(Serving([](const QByteArray& request) -> QByteArray {
        if (request.startsWith("POST"))
            return Answer("200 OK", "p");
        if (TargetOf(request) == "/close")
            return Answer("200 OK", "c", "Connection: close\r\n");
        return Answer("200 OK", "k");
    }));
    PortalClient client(ClientProfile::Worker);
    UseShortTimeouts(client);
    client.Post(server.Url(QStringLiteral("/p")), QStringLiteral("x"));
    ASSERT_TRUE(WaitUntil([&] { return server.ClosedConnections() == 1; }));
    client.Get(server.Url(QStringLiteral("/k")));
    client.Get(server.Url(QStringLiteral("/k")));
    EXPECT_EQ(server.Connections(), 2);
    client.Get(server.Url(QStringLiteral("/close")));
    ASSERT_TRUE(WaitUntil([&] { return server.ClosedConnections() == 2; }));
    client.Get(server.Url(QStringLiteral("/k")));
    EXPECT_EQ(server.Connections(), 3);
}

TEST(PortalClientWire, ReconnectsWhenTheServerClosedAnIdleConnection) {
    TestTlsServer server([](TestServerConnection& connection) {
        if (!connection.ReadRequest().isEmpty())
            connection.Send(Answer("200 OK", "once")); // then the server closes
    });
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/a"))), QStringLiteral("once"));
    ASSERT_TRUE(WaitUntil([&] { return server.ClosedConnections() == 1; }));
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/b"))), QStringLiteral("once"));
    EXPECT_EQ(server.Connections(), 2);
}

// Redirect k answers 302 to redirect k-1; redirect 0 is the real answer.
QByteArray RedirectChain(const QByteArray& request) {
    const QByteArray target = TargetOf(request);
    const int left = target.mid(target.lastIndexOf('/') + 1).toInt();
    if (left == 0)
        return Answer("200 OK", "end", "Content-Type: text/plain\r\n");
    return Answer("302 Found", "moved", "Location: /r/" + QByteArray::number(left - 1) + "\r\n");
}

TEST(PortalClientWire, FollowsAtMostFourteenRedirects) {
    const struct {
        int chain;
        const char* body;
        std::size_t requests;
    } cases[] = {{14, "end", 15}, {15, "", 15}, {16, "", 15}, {1, "end", 2}};
    for (const auto& c : cases) {
        TestTlsServer server(Serving(RedirectChain));
        PortalClient client(ClientProfile::Directory);
        UseShortTimeouts(client);
        EXPECT_EQ(client.Get(server.Url(QStringLiteral("/r/%1").arg(c.chain))),
                  QString::fromLatin1(c.body))
            << c.chain;
        EXPECT_EQ(server.Requests().size(), c.requests) << c.chain;
        EXPECT_EQ(client.ResponseCode(), c.chain >= 15 ? 302 : 200);
    }
}

TEST(PortalClientWire, A303AfterAPostTurnsIntoAGetAndOthersRepeatThePost) {
    TestTlsServer server(Serving([](const QByteArray& request) -> QByteArray {
        const QByteArray target = TargetOf(request);
        if (target == "/see-other")
            return Answer("303 See Other", "", "Location: /result\r\n");
        if (target == "/temporary")
            return Answer("307 Temporary Redirect", "", "Location: /result\r\n");
        return Answer("200 OK", request.left(request.indexOf(' ')));
    }));
    PortalClient client(ClientProfile::Worker);
    UseShortTimeouts(client);
    ApplyPostSettings(client);
    EXPECT_EQ(client.Post(server.Url(QStringLiteral("/see-other")), QStringLiteral("{}")),
              QStringLiteral("GET"));
    EXPECT_EQ(client.Post(server.Url(QStringLiteral("/temporary")), QStringLiteral("{}")),
              QStringLiteral("POST"));
    const std::vector<QByteArray> requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_TRUE(requests[1].startsWith("GET /result HTTP/1.1\r\n"));
    EXPECT_FALSE(requests[1].contains("Content-Length"));
    EXPECT_TRUE(requests[3].startsWith("POST /result HTTP/1.0\r\n"));
    EXPECT_TRUE(requests[3].endsWith("\r\n\r\n{}"));
}

TEST(PortalClientWire, ReadsChunkedBodiesWithExtensionsAndTrailers) {
    TestTlsServer server(Serving([](const QByteArray&) -> QByteArray {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\n"
               "Transfer-Encoding: chunked\r\n\r\n"
               "5;ext=1\r\nhello\r\n1 ; a=\"b\"\r\n,\r\n6\r\n world\r\n"
               "0;end\r\nX-Checksum: 42\r\n\r\n";
    }));
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/a"))), QStringLiteral("hello, world"));
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/b"))), QStringLiteral("hello, world"));
    EXPECT_EQ(server.Connections(), 1); // the chunked answer left the connection usable
}

TEST(PortalClientWire, SkipsAnInterimAnswer) {
    TestTlsServer server(Serving([](const QByteArray&) -> QByteArray {
        return "HTTP/1.1 100 Continue\r\n\r\n" + Answer("200 OK", "after");
    }));
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/"))), QStringLiteral("after"));
    EXPECT_EQ(client.LastStatusLine(), QByteArray("HTTP/1.1 200 OK"));
}

TEST(PortalClientWire, StoresCookiesAndSendsThemBack) {
    TestTlsServer server(Serving([](const QByteArray& request) -> QByteArray {
        if (TargetOf(request) == "/login")
            return Answer("200 OK", "in",
                          "Set-Cookie: sid=abc; Path=/\r\n"
                          "Set-Cookie: api=1; Path=/api\r\n");
        return Answer("200 OK", "x");
    }));
    PortalClient client(ClientProfile::Worker);
    UseShortTimeouts(client);
    ApplyPostSettings(client);
    client.Get(server.Url(QStringLiteral("/login")));
    client.Get(server.Url(QStringLiteral("/api/x")));
    client.Post(server.Url(QStringLiteral("/other")), QStringLiteral("{}"));
    const std::vector<QByteArray> requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_FALSE(requests[0].contains("Cookie:"));
    EXPECT_TRUE(requests[1].endsWith("\r\nCookie: api=1; sid=abc\r\n\r\n"));
    EXPECT_TRUE(requests[2].contains("\r\nCookie: sid=abc\r\n\r\n{}"));
}

TEST(PortalClientWire, DecodesBodiesByTheAnswersCharset) {
    const QByteArray utf8 = "\xd0\x94\xd0\xbe\xd0\xbc";
    const QByteArray cp1251 = "\xc4\xee\xec";
    TestTlsServer server(Serving([&](const QByteArray& request) {
        const QByteArray target = TargetOf(request);
        if (target == "/json")
            return Answer("200 OK", utf8, "Content-Type: application/json\r\n");
        if (target == "/cp1251")
            return Answer("200 OK", cp1251, "Content-Type: text/plain; charset=windows-1251\r\n");
        if (target == "/text")
            return Answer("200 OK", utf8, "Content-Type: text/plain\r\n");
        return Answer("200 OK", utf8, "Content-Type: application/octet-stream\r\n");
    }));
    PortalClient client(ClientProfile::Worker);
    UseShortTimeouts(client);
    const QString dom = QStringLiteral("Дом");
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/json"))), dom);
    EXPECT_EQ(client.Post(server.Url(QStringLiteral("/json")), QStringLiteral("{}")), dom);
    EXPECT_EQ(client.PostRaw(server.Url(QStringLiteral("/json")), QStringLiteral("{}")), utf8);
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/cp1251"))), dom);
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/text"))), QString::fromLatin1(utf8));
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/bytes"))), QString::fromLatin1(utf8));
}

TEST(PortalClientWire, PostBodyIsUtf8WithItsByteCount) {
    TestTlsServer server(Serving(JsonOk));
    PortalClient client(ClientProfile::Worker);
    UseShortTimeouts(client);
    client.Post(server.Url(QStringLiteral("/")), QStringLiteral("{\"name\":\"Дом\"}"));
    const std::vector<QByteArray> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].contains("\r\nContent-Length: 17\r\n"));
    EXPECT_TRUE(requests[0].endsWith("\r\n\r\n{\"name\":\"\xd0\x94\xd0\xbe\xd0\xbc\"}"));
}

TEST(PortalClientWire, ServerNameIndicationCarriesTheHost) {
    TestTlsServer server(Serving(JsonOk));
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    client.Get(server.Url(QStringLiteral("/")));
    EXPECT_EQ(server.ServerNames(), QStringList{QStringLiteral("127.0.0.1")});
}

} // namespace

namespace {

TEST(PortalClientProfile, SettingsOfTheTwoProfiles) {
    const PortalClient worker(ClientProfile::Worker);
    const PortalClient directory(ClientProfile::Directory);
    EXPECT_EQ(worker.Accept(), QStringLiteral("text/html, */*"));
    EXPECT_EQ(directory.Accept(), QStringLiteral("text/html, */*"));
    EXPECT_EQ(worker.UserAgent().toUtf8(), kWorkerAgent);
    EXPECT_EQ(directory.UserAgent().toUtf8(), kDirectoryAgent);
    EXPECT_EQ(worker.ConnectTimeout(), 60000);
    EXPECT_EQ(directory.ConnectTimeout(), 60000);
    EXPECT_EQ(worker.ReadTimeout(), 600000);
    EXPECT_EQ(directory.ReadTimeout(), 60000);
    EXPECT_EQ(worker.ConnectionValue(), QString());
    EXPECT_EQ(worker.ResponseCode(), -1);
}

TEST(PortalClientProfile, SetContentTypeSplitsTheCharset) {
    PortalClient client(ClientProfile::Worker);
    client.SetContentType(QStringLiteral("application/json;charset=UTF-8"));
    EXPECT_EQ(client.ContentType(), QStringLiteral("application/json"));
    EXPECT_EQ(client.ContentCharset(), QStringLiteral("UTF-8"));
    client.SetContentType(QStringLiteral("text/plain"));
    EXPECT_EQ(client.ContentType(), QStringLiteral("text/plain"));
    EXPECT_EQ(client.ContentCharset(), QString());
    client.SetContentType(QStringLiteral("a/b; Charset = koi8-r"));
    EXPECT_EQ(client.ContentType(), QStringLiteral("a/b"));
    EXPECT_EQ(client.ContentCharset(), QStringLiteral("koi8-r"));
}

} // namespace
