#include "http/CookieStore.h"

#include <QLocale>
#include <QStringList>
#include <QTimeZone>
#include <algorithm>

namespace {

QString DefaultPath(const QString& requestPath) {
    QString path = requestPath.left(requestPath.indexOf(QLatin1Char('?')));
    if (!path.startsWith(QLatin1Char('/')))
        return QStringLiteral("/");
    const qsizetype lastSlash = path.lastIndexOf(QLatin1Char('/'));
    return lastSlash <= 0 ? QStringLiteral("/") : path.left(lastSlash);
}

bool DomainMatches(const QString& host, const QString& domain) {
    if (host == domain)
        return true;
    return host.endsWith(domain) && host.size() > domain.size() &&
           host[host.size() - domain.size() - 1] == QLatin1Char('.');
}

bool PathMatches(const QString& requestPath, const QString& cookiePath) {
    if (!requestPath.startsWith(cookiePath))
        return false;
    return requestPath.size() == cookiePath.size() || cookiePath.endsWith(QLatin1Char('/')) ||
           requestPath[cookiePath.size()] == QLatin1Char('/');
}

QDateTime ParseExpires(const QString& text) {
    const QLocale c = QLocale::c();
    QString value = text.trimmed();
    value.remove(QStringLiteral(" GMT"));
    value.remove(QStringLiteral(" UTC"));
    value.replace(QLatin1Char('-'), QLatin1Char(' '));
    for (const QString& format :
         {QStringLiteral("ddd, dd MMM yyyy hh:mm:ss"), QStringLiteral("dddd, dd MMM yy hh:mm:ss"),
          QStringLiteral("ddd, dd MMM yy hh:mm:ss"), QStringLiteral("ddd MMM d hh:mm:ss yyyy")}) {
        QDateTime parsed = c.toDateTime(value, format);
        if (parsed.isValid()) {
            if (parsed.date().year() < 100)
                parsed = parsed.addYears(parsed.date().year() < 70 ? 2000 : 1900);
            parsed.setTimeZone(QTimeZone::utc());
            return parsed;
        }
    }
    return {};
}

} // namespace

void CookieStore::SetFromHeader(const QByteArray& setCookie, const QString& host,
                                const QString& path, const QDateTime& now) {
    const QStringList parts = QString::fromLatin1(setCookie).split(QLatin1Char(';'));
    const QString pair = parts.value(0);
    const qsizetype equals = pair.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return;
    Cookie cookie;
    cookie.name = pair.left(equals).trimmed();
    cookie.value = pair.mid(equals + 1).trimmed();
    if (cookie.name.isEmpty())
        return;
    const QString requestHost = host.toLower();
    cookie.domain = requestHost;
    cookie.path = DefaultPath(path);
    bool haveMaxAge = false;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString attribute = parts[i];
        const qsizetype eq = attribute.indexOf(QLatin1Char('='));
        const QString name = (eq < 0 ? attribute : attribute.left(eq)).trimmed().toLower();
        const QString value = eq < 0 ? QString() : attribute.mid(eq + 1).trimmed();
        if (name == QLatin1String("domain") && !value.isEmpty()) {
            QString domain = value.toLower();
            if (domain.startsWith(QLatin1Char('.')))
                domain.remove(0, 1);
            if (!DomainMatches(requestHost, domain))
                return; // a server may not set cookies for another site
            cookie.domain = domain;
            cookie.hostOnly = false;
        } else if (name == QLatin1String("path") && value.startsWith(QLatin1Char('/'))) {
            cookie.path = value;
        } else if (name == QLatin1String("max-age")) {
            bool ok = false;
            const qint64 seconds = value.toLongLong(&ok);
            if (ok) {
                haveMaxAge = true;
                cookie.expires = seconds <= 0 ? now.addSecs(-1) : now.addSecs(seconds);
            }
        } else if (name == QLatin1String("expires") && !haveMaxAge) {
            const QDateTime expires = ParseExpires(value);
            if (expires.isValid())
                cookie.expires = expires;
        } else if (name == QLatin1String("secure")) {
            cookie.secure = true;
        }
    }

    auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& stored) {
        return stored.name == cookie.name && stored.domain == cookie.domain &&
               stored.path == cookie.path;
    });
    const bool expired = cookie.expires.isValid() && cookie.expires <= now;
    if (same != cookies_.end()) {
        if (expired) {
            cookies_.erase(same);
            return;
        }
        cookie.order = same->order; // a replaced cookie keeps its place
        *same = std::move(cookie);
        return;
    }
    if (expired)
        return;
    cookie.order = nextOrder_++;
    cookies_.push_back(std::move(cookie));
}

QString CookieStore::HeaderFor(const QString& host, const QString& path, bool secure,
                               const QDateTime& now) const {
    const QString requestHost = host.toLower();
    QString requestPath = path.left(path.indexOf(QLatin1Char('?')));
    if (requestPath.isEmpty())
        requestPath = QStringLiteral("/");
    std::vector<const Cookie*> matching;
    for (const Cookie& cookie : cookies_) {
        if (cookie.expires.isValid() && cookie.expires <= now)
            continue;
        if (cookie.secure && !secure)
            continue;
        const bool hostMatches = cookie.hostOnly ? requestHost == cookie.domain
                                                 : DomainMatches(requestHost, cookie.domain);
        if (hostMatches && PathMatches(requestPath, cookie.path))
            matching.push_back(&cookie);
    }
    std::stable_sort(matching.begin(), matching.end(), [](const Cookie* a, const Cookie* b) {
        if (a->path.size() != b->path.size())
            return a->path.size() > b->path.size();
        return a->order < b->order;
    });
    QString header;
    for (const Cookie* cookie : matching) {
        if (!header.isEmpty())
            header += QStringLiteral("; ");
        header += cookie->name + QLatin1Char('=') + cookie->value;
    }
    return header;
}
