// Redirects whose target is relative although it holds another URL.
#include "ClientTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(PortalClientRedirect, RelativeLocationWithAUrlInItStaysOnTheServer) {
    // were the location taken as absolute, the client would go to this port, which refuses
    const RefusingPort elsewhere;
    const QByteArray embedded = "https://127.0.0.1:" + QByteArray::number(elsewhere.Port()) + "/y";
    const struct {
        QByteArray location;
        QByteArray followed;
    } cases[] = {
        {"/next?u=" + embedded, "/next?u=" + embedded},
        {"next?u=" + embedded, "/a/next?u=" + embedded},
    };
    for (const auto& c : cases) {
        TestTlsServer server(Serving([&](const QByteArray& request) -> QByteArray {
            const QByteArray target = TargetOf(request);
            if (target == "/a/start")
                return Answer("302 Found", "", "Location: " + c.location + "\r\n");
            return Answer("200 OK", target);
        }));
        PortalClient client(ClientProfile::Directory);
        UseShortTimeouts(client);
        QString answer;
        EXPECT_EQ(FailureOf([&] {
                      answer = client.Get(server.Url(QStringLiteral("/a/start")));
                  }).toStdString(),
                  "(no failure)")
            << c.location.constData();
        EXPECT_EQ(answer.toStdString(), c.followed.toStdString()) << c.location.constData();
        EXPECT_EQ(server.Requests().size(), 2u) << c.location.constData();
    }
}

} // namespace
