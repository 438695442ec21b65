#pragma once

#include <QString>

// The parts of a request URL that the client needs. URLs are taken as they stand: nothing is
// percent-encoded or decoded. "https://host[:port]/path?query"; the scheme may also be
// "http" (port 80), though the client always speaks TLS.
struct PortalUrl {
    QString host; // without the port
    int port = 443;
    QString target; // path and query, "/" when the URL has none

    // "host" for the scheme's default port, "host:port" otherwise.
    QString HostLine() const;
    // scheme://host[:port] as needed to resolve a redirect target.
    QString Origin() const;

    bool defaultPort = true;
    QString scheme = QStringLiteral("https");
};

// Fails with a PortalError for a URL without "scheme://" or with a bad port.
PortalUrl ParsePortalUrl(const QString& url);

// The URL a "Location" value leads to from `base`: absolute URLs (those that begin with a
// scheme and "://") as they are, "//host/..." with the base's scheme, "/path" on the base's
// origin, anything else beside the base's path.
QString ResolveLocation(const PortalUrl& base, const QString& location);
