// TLS sessions offered again on the next connection, seen from the server's side.
#include "ClientTestSupport.h"
#include "OpenSslServerProcess.h"

#include <gtest/gtest.h>

namespace {

TEST(PortalClientSession, PostsOnNewConnectionsResumeTheSessionOfTheFirst) {
    const struct {
        const char* server;
        bool freshTicketKeys;
        std::vector<bool> resumed;
    } cases[] = {
        {"keeps its ticket keys", false, {false, true, true}},
        {"refuses every session", true, {false, false, false}},
    };
    for (const auto& c : cases) {
        TestTlsServer::Options options;
        options.freshTicketKeys = c.freshTicketKeys;
        TestTlsServer server(Serving([](const QByteArray&) { return Answer("200 OK", "found"); }),
                             options);
        PortalClient client(ClientProfile::Worker);
        UseShortTimeouts(client);
        for (int post = 0; post < 3; ++post) {
            QString answer;
            EXPECT_EQ(FailureOf([&] {
                          answer = client.Post(server.Url(QStringLiteral("/search")),
                                               QStringLiteral("{}"));
                      }).toStdString(),
                      "(no failure)")
                << c.server;
            EXPECT_EQ(answer.toStdString(), "found") << c.server;
        }
        EXPECT_EQ(server.Connections(), 3) << c.server;
        EXPECT_EQ(server.Resumed(), c.resumed) << c.server;
        // the resumed handshakes change nothing in what the server receives
        const std::vector<QByteArray> requests = server.Requests();
        ASSERT_EQ(requests.size(), 3u) << c.server;
        EXPECT_EQ(requests[1], requests[0]) << c.server;
        EXPECT_EQ(requests[2], requests[0]) << c.server;
    }
}

TEST(PortalClientSession, OpenSslServerReportsTheSessionReused) {
    // s_server -www closes every connection after its page, which tells whether the session
    // was new or reused; by ticket, or by session ID when it issues no tickets
    const struct {
        QStringList options;
        const char* resumption;
    } cases[] = {
        {{QStringLiteral("-tls1_2")}, "ticket"},
        {{QStringLiteral("-tls1_2"), QStringLiteral("-no_ticket")}, "session ID"},
    };
    for (const auto& c : cases) {
        const OpenSslServerProcess server(c.options);
        PortalClient client(ClientProfile::Directory);
        UseShortTimeouts(client);
        const QString url = QStringLiteral("https://127.0.0.1:%1/").arg(server.Port());
        QStringList pages;
        for (int request = 0; request < 3; ++request) {
            EXPECT_EQ(FailureOf([&] { pages.append(client.Get(url)); }).toStdString(),
                      "(no failure)")
                << c.resumption;
        }
        ASSERT_EQ(pages.size(), 3) << c.resumption;
        EXPECT_TRUE(pages[0].contains(QStringLiteral("\nNew, "))) << c.resumption;
        EXPECT_TRUE(pages[1].contains(QStringLiteral("\nReused, "))) << c.resumption;
        EXPECT_TRUE(pages[2].contains(QStringLiteral("\nReused, "))) << c.resumption;
    }
}

} // namespace
