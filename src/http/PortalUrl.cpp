#include "http/PortalUrl.h"

#include "http/PortalError.h"

namespace {

[[noreturn]] void ThrowBadUrl(const QString& url) {
    throw PortalError(QStringLiteral("Invalid URL: ") + url);
}

bool IsAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// A scheme (a letter, then letters, digits, "+", "-" or ".") followed by "://". A "://" further
// on, as in "/next?u=https://x/y", does not make a URL absolute.
bool StartsWithScheme(const QString& location) {
    if (location.isEmpty() || !IsAsciiLetter(location[0]))
        return false;
    for (qsizetype i = 1; i < location.size(); ++i) {
        const QChar c = location[i];
        if (c == QLatin1Char(':'))
            return location.mid(i, 3) == QStringLiteral("://");
        if (!IsAsciiLetter(c) && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')) &&
            c != QLatin1Char('+') && c != QLatin1Char('-') && c != QLatin1Char('.'))
            return false;
    }
    return false;
}

} // namespace

QString PortalUrl::HostLine() const {
    return defaultPort ? host : host + QLatin1Char(':') + QString::number(port);
}

QString PortalUrl::Origin() const {
    return scheme + QStringLiteral("://") + HostLine();
}

PortalUrl ParsePortalUrl(const QString& url) {
    const qsizetype schemeEnd = url.indexOf(QStringLiteral("://"));
    if (schemeEnd <= 0)
        ThrowBadUrl(url);
    PortalUrl parts;
    parts.scheme = url.left(schemeEnd).toLower();
    const int defaultPort = parts.scheme == QStringLiteral("http") ? 80 : 443;
    const qsizetype authorityStart = schemeEnd + 3;
    qsizetype targetStart = url.size();
    for (qsizetype i = authorityStart; i < url.size(); ++i) {
        if (url[i] == QLatin1Char('/') || url[i] == QLatin1Char('?') ||
            url[i] == QLatin1Char('#')) {
            targetStart = i;
            break;
        }
    }
    const QString authority = url.mid(authorityStart, targetStart - authorityStart);
    parts.target = url.mid(targetStart);
    if (parts.target.startsWith(QLatin1Char('?')))
        parts.target.prepend(QLatin1Char('/'));
    if (parts.target.isEmpty())
        parts.target = QStringLiteral("/");
    const qsizetype fragment = parts.target.indexOf(QLatin1Char('#'));
    if (fragment >= 0)
        parts.target.truncate(fragment);
    if (parts.target.isEmpty())
        parts.target = QStringLiteral("/");

    const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    const bool bracketed = authority.startsWith(QLatin1Char('['));
    if (colon >= 0 && (!bracketed || colon > authority.indexOf(QLatin1Char(']')))) {
        bool ok = false;
        const int port = authority.mid(colon + 1).toInt(&ok, 10);
        if (!ok || port <= 0 || port > 65535)
            ThrowBadUrl(url);
        parts.host = authority.left(colon);
        parts.port = port;
    } else {
        parts.host = authority;
        parts.port = defaultPort;
    }
    parts.defaultPort = parts.port == defaultPort;
    return parts;
}

QString ResolveLocation(const PortalUrl& base, const QString& location) {
    if (StartsWithScheme(location))
        return location;
    if (location.startsWith(QStringLiteral("//")))
        return base.scheme + QLatin1Char(':') + location;
    if (location.startsWith(QLatin1Char('/')))
        return base.Origin() + location;
    QString path = base.target.left(base.target.indexOf(QLatin1Char('?')));
    if (path.isEmpty())
        path = base.target;
    path.truncate(path.lastIndexOf(QLatin1Char('/')) + 1);
    return base.Origin() + path + location;
}
