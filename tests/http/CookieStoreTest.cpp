#include "http/CookieStore.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

const QDateTime kNow = QDateTime(QDate(2026, 1, 15), QTime(12, 0), QTimeZone::utc());

QString SentTo(const CookieStore& store, const char* host, const char* path, bool secure = true,
               const QDateTime& now = kNow) {
    return store.HeaderFor(QString::fromLatin1(host), QString::fromLatin1(path), secure, now);
}

TEST(CookieStore, SendsBackWhatTheHostSet) {
    CookieStore store;
    store.SetFromHeader("sid=abc; Path=/", QStringLiteral("portal.example"), QStringLiteral("/x"),
                        kNow);
    store.SetFromHeader("lang=ru", QStringLiteral("portal.example"), QStringLiteral("/x/page"),
                        kNow); // default path "/x"
    EXPECT_EQ(SentTo(store, "portal.example", "/x/y?q=1"), QStringLiteral("lang=ru; sid=abc"));
    EXPECT_EQ(SentTo(store, "PORTAL.example", "/"), QStringLiteral("sid=abc"));
    EXPECT_EQ(SentTo(store, "other.example", "/x"), QString());
    EXPECT_EQ(SentTo(store, "sub.portal.example", "/x"), QString()); // host-only
}

TEST(CookieStore, DomainAttributeWidensToSubdomains) {
    CookieStore store;
    store.SetFromHeader("d=1; Domain=.portal.example", QStringLiteral("www.portal.example"),
                        QStringLiteral("/"), kNow);
    EXPECT_EQ(SentTo(store, "api.portal.example", "/"), QStringLiteral("d=1"));
    EXPECT_EQ(SentTo(store, "portal.example", "/"), QStringLiteral("d=1"));
    EXPECT_EQ(SentTo(store, "evilportal.example", "/"), QString());
    store.SetFromHeader("e=1; Domain=other.example", QStringLiteral("www.portal.example"),
                        QStringLiteral("/"), kNow);
    EXPECT_EQ(store.Count(), 1u); // a cookie for another site is refused
}

TEST(CookieStore, PathsMatchByPrefixAndLongerPathsComeFirst) {
    CookieStore store;
    store.SetFromHeader("a=root; Path=/", QStringLiteral("h"), QStringLiteral("/"), kNow);
    store.SetFromHeader("b=api; Path=/api", QStringLiteral("h"), QStringLiteral("/"), kNow);
    EXPECT_EQ(SentTo(store, "h", "/api/x"), QStringLiteral("b=api; a=root"));
    EXPECT_EQ(SentTo(store, "h", "/api"), QStringLiteral("b=api; a=root"));
    EXPECT_EQ(SentTo(store, "h", "/apix"), QStringLiteral("a=root"));
}

TEST(CookieStore, ReplacesExpiresAndRemoves) {
    CookieStore store;
    store.SetFromHeader("a=1", QStringLiteral("h"), QStringLiteral("/"), kNow);
    store.SetFromHeader("b=2; Max-Age=60", QStringLiteral("h"), QStringLiteral("/"), kNow);
    store.SetFromHeader("a=3", QStringLiteral("h"), QStringLiteral("/"), kNow);
    EXPECT_EQ(SentTo(store, "h", "/"), QStringLiteral("a=3; b=2"));
    EXPECT_EQ(SentTo(store, "h", "/", true, kNow.addSecs(61)), QStringLiteral("a=3"));
    store.SetFromHeader("a=gone; Max-Age=0", QStringLiteral("h"), QStringLiteral("/"), kNow);
    EXPECT_EQ(SentTo(store, "h", "/"), QStringLiteral("b=2"));
    store.SetFromHeader("b=x; Expires=Thu, 01 Jan 1970 00:00:00 GMT", QStringLiteral("h"),
                        QStringLiteral("/"), kNow);
    EXPECT_EQ(SentTo(store, "h", "/"), QString());
    store.SetFromHeader("c=1; Expires=Wed, 21 Oct 2099 07:28:00 GMT", QStringLiteral("h"),
                        QStringLiteral("/"), kNow);
    EXPECT_EQ(SentTo(store, "h", "/"), QStringLiteral("c=1"));
}

TEST(CookieStore, SecureCookiesOnlyOverTls) {
    CookieStore store;
    store.SetFromHeader("s=1; Secure; HttpOnly", QStringLiteral("h"), QStringLiteral("/"), kNow);
    EXPECT_EQ(SentTo(store, "h", "/", true), QStringLiteral("s=1"));
    EXPECT_EQ(SentTo(store, "h", "/", false), QString());
}

TEST(CookieStore, IgnoresMalformedValues) {
    CookieStore store;
    store.SetFromHeader("", QStringLiteral("h"), QStringLiteral("/"), kNow);
    store.SetFromHeader("novalue", QStringLiteral("h"), QStringLiteral("/"), kNow);
    store.SetFromHeader("=x", QStringLiteral("h"), QStringLiteral("/"), kNow);
    EXPECT_EQ(store.Count(), 0u);
}

} // namespace
