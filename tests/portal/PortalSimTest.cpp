// The client and the endpoint catalogue against the fake portal: the exact bytes of every
// request the program sends, read back from the portal's request log, and the portal's faults.
#include "ClientTestSupport.h"
#include "SimulatedPortal.h"
#include "json/JsonAccess.h"
#include "portal/PortalApi.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

const QString kWorkerAgent = QStringLiteral(
    "Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:109.0) Gecko/20100101 Firefox/114.0");
const QString kDirectoryAgent =
    QStringLiteral("Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like "
                   "Gecko) Chrome/69.0.3497.100 Safari/537.36");

QStringList Headers(const QJsonObject& entry) {
    QStringList lines;
    for (const QJsonValue& line : entry.value(QStringLiteral("headers")).toArray())
        lines.append(line.toString());
    return lines;
}

QString Field(const QJsonObject& entry, const char* name) {
    return entry.value(QString::fromLatin1(name)).toString();
}

int Conn(const QJsonObject& entry) {
    return entry.value(QStringLiteral("conn")).toInt();
}

QStringList DirectoryHeaders(const SimulatedPortal& portal) {
    return {QStringLiteral("Host: ") + portal.HostLine(), QStringLiteral("Accept: text/html, */*"),
            QStringLiteral("User-Agent: ") + kDirectoryAgent};
}

QStringList WorkerHeaders(const SimulatedPortal& portal, std::optional<qsizetype> length) {
    QStringList lines{QStringLiteral("Connection: keep-alive"),
                      QStringLiteral("Content-Type: application/json; charset=UTF-8")};
    if (length)
        lines.append(QStringLiteral("Content-Length: %1").arg(*length));
    lines << QStringLiteral("Request-GUID: 00000000-0000-0000-0000-000000000000")
          << QStringLiteral("Session-GUID: 0") << QStringLiteral("Host: ") + portal.HostLine()
          << QStringLiteral("Accept: text/html, */*")
          << QStringLiteral("Referer: https://") + portal.HostLine()
          << QStringLiteral("User-Agent: ") + kWorkerAgent;
    return lines;
}

QString PathOf(const QString& url) {
    return url.mid(url.indexOf(QLatin1Char('/'), 8));
}

// The guid of the first house of the first region, read through the portal's own answers.
QString FirstHouseGuid() {
    PortalClient client(ClientProfile::Worker);
    UseShortTimeouts(client);
    const auto regions = ParseLenient(client.Get(RegionsUrl()));
    if (AsArray(regions) == nullptr)
        return {};
    const QString region = TextAt(ElementAt(*AsArray(regions), 0), u"aoGuid");
    ApplyPostSettings(client);
    const auto page =
        ParseLenient(client.Post(HouseSearchUrl(1, 1), SearchBody(region, QString(), QString())));
    const JsonArray* items = AsArray(ValueAt(page, u"items"));
    return items == nullptr ? QString() : TextAt(ElementAt(*items, 0), u"guid");
}

TEST(PortalSim, EveryRequestIsByteExactInTheLog) {
    const SimulatedPortal portal;

    // The directory operations, as the address lists make them.
    QString region, area, city;
    QStringList directoryUrls;
    {
        PortalClient directory(ClientProfile::Directory);
        UseShortTimeouts(directory);
        directoryUrls << RegionsUrl();
        const auto regions = ParseLenient(directory.Get(directoryUrls.last()));
        ASSERT_NE(AsArray(regions), nullptr);
        region = TextAt(ElementAt(*AsArray(regions), 0), u"aoGuid");
        directoryUrls << AreasUrl(region);
        const auto areas = ParseLenient(directory.Get(directoryUrls.last()));
        ASSERT_NE(AsArray(areas), nullptr);
        area = TextAt(ElementAt(*AsArray(areas), 0), u"aoGuid");
        directoryUrls << CitiesOfRegionUrl(region) << CitiesOfAreaUrl(region, area);
        directory.Get(directoryUrls[2]);
        const auto cities = ParseLenient(directory.Get(directoryUrls[3]));
        ASSERT_NE(AsArray(cities), nullptr);
        city = TextAt(ElementAt(*AsArray(cities), 0), u"aoGuid");
        directoryUrls << StreetsUrl(region, area, city) << StreetsUrl(region, {}, {});
        directory.Get(directoryUrls[4]);
        directory.Get(directoryUrls[5]);
    }
    ASSERT_FALSE(region.isEmpty());
    ASSERT_FALSE(city.isEmpty());

    // One house of the harvest: search page, coordinates, passport, card, next page.
    PortalClient worker(ClientProfile::Worker);
    UseShortTimeouts(worker);
    const QString searchBody = SearchBody(region, city, QString());
    ApplyPostSettings(worker);
    const auto page = ParseLenient(worker.Post(HouseSearchUrl(1, 100), searchBody));
    const JsonArray* items = AsArray(ValueAt(page, u"items"));
    ASSERT_NE(items, nullptr);
    ASSERT_GT(ElementCount(*items), 0);
    const QString guid = TextAt(ElementAt(*items, 0), u"guid");
    const QString typeCode = TextAt(ElementAt(*items, 0), u"houseType.code");
    worker.Get(MapLookupUrl(guid));
    ApplyPostSettings(worker);
    const QByteArray passport = worker.PostRaw(PassportSearchUrl(), PassportBody(guid));
    EXPECT_NE(AsArray(ValueAt(ParseLenient(QString::fromUtf8(passport)), u"parameters")), nullptr);
    const auto card = ParseLenient(worker.Get(HouseCardUrl(typeCode, guid)));
    EXPECT_EQ(TextAt(card, u"guid").isEmpty(), false);
    ApplyPostSettings(worker);
    worker.Post(HouseSearchUrl(2, 100), searchBody);

    const std::vector<QJsonObject> log = portal.Log();
    ASSERT_EQ(log.size(), 11u);
    const char* kinds[] = {"regions", "areas", "cities",   "cities", "streets", "streets",
                           "search",  "map",   "passport", "card",   "search"};
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Field(log[i], "endpoint"), QString::fromLatin1(kinds[i]));
        EXPECT_EQ(Field(log[i], "method"), QStringLiteral("GET"));
        EXPECT_EQ(Field(log[i], "version"), QStringLiteral("HTTP/1.1"));
        EXPECT_EQ(Field(log[i], "target"), PathOf(directoryUrls[static_cast<qsizetype>(i)]));
        EXPECT_EQ(Headers(log[i]), DirectoryHeaders(portal));
        EXPECT_EQ(Conn(log[i]), Conn(log[0])); // one connection for the whole operation
        EXPECT_EQ(Field(log[i], "sni"), QStringLiteral("127.0.0.1"));
        EXPECT_EQ(Field(log[i], "tls"), QStringLiteral("TLSv1.2"));
    }
    const QString passportBody = PassportBody(guid);
    const struct {
        const char* method;
        QString target;
        QString body;
    } harvest[] = {
        {"POST", PathOf(HouseSearchUrl(1, 100)), searchBody},
        {"GET", PathOf(MapLookupUrl(guid)), QString()},
        {"POST", PathOf(PassportSearchUrl()), passportBody},
        {"GET", PathOf(HouseCardUrl(typeCode, guid)), QString()},
        {"POST", PathOf(HouseSearchUrl(2, 100)), searchBody},
    };
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i + 6);
        const QJsonObject& entry = log[i + 6];
        const bool post = QByteArray(harvest[i].method) == "POST";
        EXPECT_EQ(Field(entry, "endpoint"), QString::fromLatin1(kinds[i + 6]));
        EXPECT_EQ(Field(entry, "method"), QString::fromLatin1(harvest[i].method));
        EXPECT_EQ(Field(entry, "version"),
                  post ? QStringLiteral("HTTP/1.0") : QStringLiteral("HTTP/1.1"));
        EXPECT_EQ(Field(entry, "target"), harvest[i].target);
        EXPECT_EQ(Field(entry, "body"), harvest[i].body);
        EXPECT_EQ(Headers(entry), WorkerHeaders(portal, post ? std::optional<qsizetype>(
                                                                   harvest[i].body.toUtf8().size())
                                                             : std::nullopt));
    }
    // every POST on a new connection; each GET on the connection of the POST before it
    EXPECT_NE(Conn(log[6]), Conn(log[0]));
    EXPECT_EQ(Conn(log[7]), Conn(log[6]));
    EXPECT_NE(Conn(log[8]), Conn(log[7]));
    EXPECT_EQ(Conn(log[9]), Conn(log[8]));
    EXPECT_NE(Conn(log[10]), Conn(log[9]));
}

TEST(PortalSim, NotFoundThenTimeOutKeepsTheCode) {
    const SimulatedPortal portal(QStringLiteral(
        R"({"rules": [{"endpoint": "map", "fault": "status", "status": 404},
                      {"endpoint": "passport", "requests": [1], "fault": "delay", "seconds": 2.0}]})"));
    PortalClient worker(ClientProfile::Worker);
    worker.SetConnectTimeout(500);
    worker.SetReadTimeout(300);
    ApplyPostSettings(worker);
    EXPECT_EQ(FailureOf([&] { worker.Get(MapLookupUrl(QStringLiteral("x"))); }),
              QStringLiteral("HTTP/1.1 404 Not Found"));
    EXPECT_EQ(worker.ResponseCode(), 404);
    EXPECT_EQ(
        FailureOf([&] { worker.PostRaw(PassportSearchUrl(), PassportBody(QStringLiteral("x"))); }),
        QStringLiteral("Read timed out."));
    EXPECT_EQ(worker.ResponseCode(), 404);
}

TEST(PortalSim, RedirectChains) {
    const struct {
        int count;
        bool realAnswer;
    } cases[] = {{14, true}, {15, false}, {16, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        const SimulatedPortal portal(
            QStringLiteral(R"({"rules": [{"endpoint": "regions", "fault": "redirect",
                                          "status": 302, "count": %1}]})")
                .arg(c.count));
        PortalClient directory(ClientProfile::Directory);
        UseShortTimeouts(directory);
        const QString answer = directory.Get(RegionsUrl());
        EXPECT_EQ(AsArray(ParseLenient(answer)) != nullptr, c.realAnswer);
        if (!c.realAnswer) {
            EXPECT_EQ(answer, QString());
        }
        EXPECT_EQ(portal.Log().size(), 15u);
    }
}

TEST(PortalSim, SeeOtherAfterAPostFollowsAsAGet) {
    const SimulatedPortal portal(QStringLiteral(
        R"({"rules": [{"endpoint": "passport", "fault": "redirect", "status": 303, "count": 1}]})"));
    const QString guid = FirstHouseGuid();
    ASSERT_FALSE(guid.isEmpty());
    const std::size_t before = portal.Log().size();
    PortalClient worker(ClientProfile::Worker);
    UseShortTimeouts(worker);
    ApplyPostSettings(worker);
    const QByteArray answer = worker.PostRaw(PassportSearchUrl(), PassportBody(guid));
    EXPECT_NE(AsArray(ValueAt(ParseLenient(QString::fromUtf8(answer)), u"parameters")), nullptr);
    EXPECT_EQ(worker.ResponseCode(), 200);
    std::vector<QJsonObject> log = portal.Log();
    ASSERT_EQ(log.size(), before + 2);
    log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(before));
    EXPECT_EQ(Field(log[0], "method"), QStringLiteral("POST"));
    EXPECT_EQ(Field(log[1], "method"), QStringLiteral("GET"));
    EXPECT_EQ(Field(log[1], "version"), QStringLiteral("HTTP/1.1"));
    EXPECT_FALSE(
        Headers(log[1]).join(QLatin1Char('\n')).contains(QStringLiteral("Content-Length")));
    EXPECT_EQ(Field(log[1], "body"), QString());
}

TEST(PortalSim, CookiesAreSentBack) {
    const SimulatedPortal portal(QStringLiteral(
        R"({"rules": [{"endpoint": "regions", "fault": "set_cookie", "cookie": "PORTALSID=s1d-42; Path=/"},
                      {"endpoint": "areas", "fault": "require_cookie", "cookie": "PORTALSID=s1d-42"}]})"));
    PortalClient directory(ClientProfile::Directory);
    UseShortTimeouts(directory);
    directory.Get(RegionsUrl());
    EXPECT_NE(AsArray(ParseLenient(directory.Get(AreasUrl(QStringLiteral("R"))))), nullptr);
    const std::vector<QJsonObject> log = portal.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(Headers(log[1]).last(), QStringLiteral("Cookie: PORTALSID=s1d-42"));
}

TEST(PortalSim, CharsetsAndChunkedAnswers) {
    const struct {
        const char* rule;
        QStringList arguments;
    } cases[] = {
        {R"({"endpoint": "regions", "fault": "none", "content_type": "application/json"})", {}},
        {R"({"endpoint": "regions", "fault": "none",
             "content_type": "application/json;charset=windows-1251", "body_encoding": "cp1251"})",
         {}},
        {R"({"endpoint": "regions", "fault": "none"})", {QStringLiteral("--chunked")}},
        {R"({"endpoint": "regions", "fault": "continue_100"})", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        const SimulatedPortal portal(
            QStringLiteral(R"({"rules": [%1]})").arg(QString::fromUtf8(c.rule)), c.arguments);
        PortalClient directory(ClientProfile::Directory);
        UseShortTimeouts(directory);
        const auto regions = ParseLenient(directory.Get(RegionsUrl()));
        ASSERT_NE(AsArray(regions), nullptr);
        EXPECT_EQ(TextAt(ElementAt(*AsArray(regions), 0), u"formalName"),
                  QStringLiteral("Тестовая"));
    }
}

TEST(PortalSim, ClosedConnections) {
    for (const char* fault : {"close_before_status", "close_mid_body"}) {
        SCOPED_TRACE(fault);
        const SimulatedPortal portal(
            QStringLiteral(R"({"rules": [{"endpoint": "regions", "fault": "%1"}]})")
                .arg(QString::fromLatin1(fault)));
        PortalClient directory(ClientProfile::Directory);
        UseShortTimeouts(directory);
        EXPECT_EQ(FailureOf([&] { directory.Get(RegionsUrl()); }),
                  QStringLiteral("Connection Closed Gracefully."));
        // the failure leaves the client usable
        EXPECT_NE(AsArray(ParseLenient(directory.Get(AreasUrl(QStringLiteral("R"))))), nullptr);
    }
}

} // namespace
