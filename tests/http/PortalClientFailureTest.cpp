// Every failure text of the client, each provoked for real on 127.0.0.1.
#include "ClientTestSupport.h"
#include "OpenSslServerProcess.h"

#include <chrono>
#include <gtest/gtest.h>
#include <openssl/ssl.h>
#include <thread>

namespace {

TEST(PortalClientFailure, StatusLineIsTheMessageAndTheCode) {
    TestTlsServer server(Serving([](const QByteArray& request) -> QByteArray {
        if (TargetOf(request) == "/missing")
            return Answer("404 Not Found", "no such page");
        return QByteArray(); // close without answering
    }));
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    EXPECT_EQ(client.ResponseCode(), -1);
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/missing"))); }),
              QStringLiteral("HTTP/1.1 404 Not Found"));
    EXPECT_EQ(client.ResponseCode(), 404);
    // a later failure before any status line keeps the code of the 404
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/gone"))); }),
              QStringLiteral("Connection Closed Gracefully."));
    EXPECT_EQ(client.ResponseCode(), 404);
}

TEST(PortalClientFailure, OtherStatusesFailWithTheirLine) {
    TestTlsServer server(Serving([](const QByteArray& request) -> QByteArray {
        const QByteArray target = TargetOf(request);
        if (target == "/500")
            return Answer("500 Internal Server Error", "oops");
        if (target == "/304")
            return QByteArray("HTTP/1.1 304 Not Modified\r\n\r\n");
        if (target == "/302")
            return Answer("302 Found", "no location");
        return Answer("200 OK", "fine");
    }));
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/500"))); }),
              QStringLiteral("HTTP/1.1 500 Internal Server Error"));
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/304"))); }),
              QStringLiteral("HTTP/1.1 304 Not Modified"));
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/302"))); }),
              QStringLiteral("HTTP/1.1 302 Found"));
    EXPECT_EQ(client.ResponseCode(), 302);
    // the failed answers' bodies were read whole, so the connection still serves
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/ok"))), QStringLiteral("fine"));
    EXPECT_EQ(server.Connections(), 1);
}

TEST(PortalClientFailure, ReadTimeOutAfterA404KeepsTheCode) {
    TestTlsServer server([](TestServerConnection& connection) {
        for (int i = 0; i < 10; ++i) {
            const QByteArray request = connection.ReadRequest();
            if (request.isEmpty())
                return;
            if (TargetOf(request) == "/slow") {
                connection.Pause(3000); // longer than the client waits
                return;
            }
            connection.Send(Answer("404 Not Found", ""));
        }
    });
    PortalClient client(ClientProfile::Worker);
    client.SetConnectTimeout(500);
    client.SetReadTimeout(300);
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/x"))); }),
              QStringLiteral("HTTP/1.1 404 Not Found"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/slow"))); }),
              QStringLiteral("Read timed out."));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(client.ResponseCode(), 404);
}

TEST(PortalClientFailure, ReadTimeOutAfterTheStatusLine) {
    // The server sends the beginning of an answer, then nothing until the client goes away.
    const struct {
        const char* target;
        QByteArray sent;
    } cases[] = {
        {"/headers", "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 10\r\n"},
        {"/half-body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhalf."},
    };
    for (const auto& c : cases) {
        TestTlsServer server([&](TestServerConnection& connection) {
            for (int i = 0; i < 10; ++i) {
                const QByteArray request = connection.ReadRequest();
                if (request.isEmpty())
                    return;
                if (TargetOf(request) == c.target) {
                    connection.Send(c.sent);
                    connection.ReadAvailable(); // until the client closes
                    return;
                }
                connection.Send(Answer("200 OK", "fine"));
            }
        });
        PortalClient client(ClientProfile::Worker);
        client.SetConnectTimeout(500);
        client.SetReadTimeout(300);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(
            FailureOf([&] { client.Get(server.Url(QString::fromLatin1(c.target))); }).toStdString(),
            "Read timed out.")
            << c.target;
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_GE(waited, std::chrono::milliseconds(300)) << c.target;
        EXPECT_LT(waited, std::chrono::seconds(3)) << c.target; // the server holds on for 5 s
        EXPECT_EQ(client.ResponseCode(), 200) << c.target;
        QString next;
        EXPECT_EQ(FailureOf([&] {
                      next = client.Get(server.Url(QStringLiteral("/next")));
                  }).toStdString(),
                  "(no failure)")
            << c.target;
        EXPECT_EQ(next.toStdString(), "fine") << c.target;
        EXPECT_EQ(server.Connections(), 2) << c.target;
    }
}

TEST(PortalClientFailure, ReadTimeOutDuringTheHandshake) {
    // A plain TCP server that never answers the client's hello.
    TestTlsServer::Options options;
    options.tls = false;
    TestTlsServer server([](TestServerConnection& connection) { connection.Pause(3000); }, options);
    PortalClient client(ClientProfile::Directory);
    client.SetReadTimeout(300);
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/"))); }),
              QStringLiteral("Read timed out."));
}

TEST(PortalClientFailure, RefusedConnectionOnAFreshClient) {
    const RefusingPort port;
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    EXPECT_EQ(
        FailureOf([&] { client.Get(QStringLiteral("https://127.0.0.1:%1/").arg(port.Port())); }),
        QStringLiteral("Socket Error # 111\r\nConnection refused."));
    EXPECT_EQ(client.ResponseCode(), -1);
}

TEST(PortalClientFailure, ConnectTimeOutWhenTheBacklogIsFull) {
    const FullBacklogPort port;
    PortalClient client(ClientProfile::Directory);
    client.SetConnectTimeout(300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(
        FailureOf([&] { client.Get(QStringLiteral("https://127.0.0.1:%1/").arg(port.Port())); }),
        QStringLiteral("Connect timed out."));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(client.ResponseCode(), -1);
}

TEST(PortalClientFailure, HostNotFoundWithoutAnyQuery) {
    // A space cannot stand in a DNS name: the resolver refuses it before sending anything.
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    EXPECT_EQ(FailureOf([&] { client.Get(QStringLiteral("https://no such host/x")); }),
              QStringLiteral("Socket Error # 1\r\nHost not found."));
}

TEST(PortalClientFailure, ResetByThePeer) {
    TestTlsServer server([](TestServerConnection& connection) {
        if (!connection.ReadRequest().isEmpty())
            connection.Reset();
    });
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/"))); }),
              QStringLiteral("Socket Error # 104\r\nConnection reset by peer."));
}

TEST(PortalClientFailure, ClosedBeforeTheStatusLineOrTheWholeBody) {
    // Every connection gets what the request's target names, then the server closes it.
    TestTlsServer server([](TestServerConnection& connection) {
        const QByteArray target = TargetOf(connection.ReadRequest());
        if (target == "/short")
            connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this");
        else if (target == "/headers")
            connection.Send("HTTP/1.1 200 OK\r\nContent-Ty");
        else if (target == "/chunk")
            connection.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc");
    });
    PortalClient client(ClientProfile::Worker);
    UseShortTimeouts(client);
    const QString closed = QStringLiteral("Connection Closed Gracefully.");
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/nothing"))); }), closed);
    EXPECT_EQ(FailureOf([&] { client.Post(server.Url(QStringLiteral("/nothing")), {}); }), closed);
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/short"))); }), closed);
    EXPECT_EQ(client.ResponseCode(), 200);
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/headers"))); }), closed);
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/chunk"))); }), closed);
}

TEST(PortalClientFailure, ServerOfferingOnlyTls13) {
    TestTlsServer::Options options;
    options.minVersion = TLS1_3_VERSION;
    TestTlsServer server(Serving([](const QByteArray&) { return Answer("200 OK", "x"); }), options);
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    const QString message = FailureOf([&] { client.Get(server.Url(QStringLiteral("/"))); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("Error connecting with SSL.\r\n")))
        << message.toStdString();
    EXPECT_GT(message.size(), QStringLiteral("Error connecting with SSL.\r\n").size());
    EXPECT_TRUE(message.contains(QStringLiteral("protocol version"))) << message.toStdString();
}

TEST(PortalClientFailure, OpenSslServerWithOnlyTls13) {
    const OpenSslServerProcess server({QStringLiteral("-tls1_3")});
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    const QString message =
        FailureOf([&] { client.Get(QStringLiteral("https://127.0.0.1:%1/").arg(server.Port())); });
    EXPECT_EQ(message,
              QStringLiteral("Error connecting with SSL.\r\ntlsv1 alert protocol version"));
}

TEST(PortalClientFailure, OpenSslServerWithEachOfferedVersionAnswers) {
    // TLS 1.0 and 1.1 sign with MD5/SHA-1, which the server allows only at security level 0
    const QStringList legacy = {QStringLiteral("-cipher"), QStringLiteral("DEFAULT@SECLEVEL=0")};
    const struct {
        QStringList options;
        const char* protocol;
    } cases[] = {
        {{QStringLiteral("-tls1_2")}, "TLSv1.2"},
        {QStringList{QStringLiteral("-tls1_1")} + legacy, "TLSv1.1"},
        {QStringList{QStringLiteral("-tls1")} + legacy, "TLSv1"},
    };
    for (const auto& c : cases) {
        const OpenSslServerProcess server(c.options);
        PortalClient client(ClientProfile::Directory);
        UseShortTimeouts(client);
        QString page;
        EXPECT_EQ(FailureOf([&] {
                      page = client.Get(QStringLiteral("https://127.0.0.1:%1/").arg(server.Port()));
                  }).toStdString(),
                  "(no failure)")
            << c.protocol;
        EXPECT_TRUE(
            page.contains(QStringLiteral("Protocol  : %1\n").arg(QLatin1String(c.protocol))))
            << c.protocol;
        EXPECT_EQ(client.ResponseCode(), 200) << c.protocol;
    }
}

TEST(PortalClientFailure, ConnectionClosedDuringTheHandshake) {
    TestTlsServer::Options options;
    options.tls = false;
    // accept, take the client's hello, then close
    TestTlsServer server([](TestServerConnection& connection) { connection.ReadAvailable(); },
                         options);
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/"))); }),
              QStringLiteral("Error connecting with SSL.\r\n"
                             "EOF was observed that violates the protocol"));
}

TEST(PortalClientFailure, AnswerOverTheSizeCap) {
    TestTlsServer server(Serving([](const QByteArray& request) -> QByteArray {
        if (TargetOf(request) == "/chunked")
            return QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n") +
                   QByteArray("1000\r\n") + QByteArray(4096, 'c') + "\r\n0\r\n\r\n";
        return Answer("200 OK", QByteArray(5000, 'x'));
    }));
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    client.SetMaxAnswerBytes(1000);
    const QString over = QStringLiteral("Answer exceeds the size limit of 1000 bytes.");
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/big"))); }), over);
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/chunked"))); }), over);
    client.SetMaxAnswerBytes(PortalClient::kMaxAnswerBytes);
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/big"))).size(), 5000);
}

TEST(PortalClientFailure, AbortFromAnotherThreadEndsTheRequest) {
    TestTlsServer server([](TestServerConnection& connection) {
        for (int i = 0; i < 10; ++i) {
            const QByteArray request = connection.ReadRequest();
            if (request.isEmpty())
                return;
            if (TargetOf(request) == "/slow")
                connection.Pause(3000);
            else
                connection.Send(Answer("200 OK", "quick"));
        }
    });
    PortalClient client(ClientProfile::Worker);
    client.SetReadTimeout(5000);
    QString message;
    const auto start = std::chrono::steady_clock::now();
    std::thread worker(
        [&] { message = FailureOf([&] { client.Get(server.Url(QStringLiteral("/slow"))); }); });
    // abort once the request is on the wire
    EXPECT_TRUE(WaitUntil([&] { return server.Requests().size() == 1; }));
    client.Abort();
    worker.join();
    EXPECT_EQ(message, QStringLiteral("Request aborted."));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    // the client is usable again afterwards
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/fast"))), QStringLiteral("quick"));
}

TEST(PortalClientFailure, AbortEndsAConnectWait) {
    const FullBacklogPort port;
    PortalClient client(ClientProfile::Directory);
    client.SetConnectTimeout(10000);
    QString message;
    const auto start = std::chrono::steady_clock::now();
    std::thread worker([&] {
        message = FailureOf(
            [&] { client.Get(QStringLiteral("https://127.0.0.1:%1/").arg(port.Port())); });
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    client.Abort();
    worker.join();
    EXPECT_EQ(message, QStringLiteral("Request aborted."));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(PortalClientFailure, AbortBetweenRequestsEndsTheNextOne) {
    TestTlsServer server(Serving([](const QByteArray&) { return Answer("200 OK", "x"); }));
    PortalClient client(ClientProfile::Directory);
    UseShortTimeouts(client);
    client.Abort();
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url(QStringLiteral("/"))); }),
              QStringLiteral("Request aborted."));
    EXPECT_EQ(server.Connections(), 0);
    EXPECT_EQ(client.Get(server.Url(QStringLiteral("/"))), QStringLiteral("x"));
}

} // namespace
