#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

// The cookies that servers set on one client, kept and sent back by the ordinary rules:
// host-only cookies unless a "Domain" attribute widens them, "Path" prefixes, "Expires" and
// "Max-Age" (a past date or a zero age removes the cookie), "Secure".
class CookieStore {
public:
    // Stores what one "Set-Cookie" value sets for an answer from `host` to `path`.
    void SetFromHeader(const QByteArray& setCookie, const QString& host, const QString& path,
                       const QDateTime& now = QDateTime::currentDateTimeUtc());

    // The "Cookie" value for a request ("a=1; b=2"), longer paths first; empty when none apply.
    QString HeaderFor(const QString& host, const QString& path, bool secure,
                      const QDateTime& now = QDateTime::currentDateTimeUtc()) const;

    std::size_t Count() const { return cookies_.size(); }

private:
    struct Cookie {
        QString name;
        QString value;
        QString domain; // lower case, without a leading dot
        bool hostOnly = true;
        QString path;
        QDateTime expires; // invalid: ends with the client
        bool secure = false;
        quint64 order = 0;
    };

    std::vector<Cookie> cookies_;
    quint64 nextOrder_ = 0;
};
