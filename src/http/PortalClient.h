#pragma once

#include "http/AbortSignal.h"
#include "http/CookieStore.h"
#include "http/TlsSessionStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <memory>

class TlsConnection;
struct PortalUrl;

// The two request profiles: the worker's client carries every request of a harvest run; a
// directory client lives for one address directory operation.
enum class ClientProfile { Worker, Directory };

// The program's HTTPS client for HTTP/1.0 and HTTP/1.1. A GET goes out as HTTP/1.1 on the open
// connection when the last answer allows keeping it; a POST always goes out as HTTP/1.0 on a
// new connection. A new connection offers the TLS session of the one before, so the server can
// resume it: one round trip less and no key exchange. Redirects are followed (at most 14 in
// one call). Every failure is a PortalError whose message text is all the callers use;
// ResponseCode() reports the status code of the last status line received. One thread uses a
// client; only Abort() may be called from another.
class PortalClient {
public:
    explicit PortalClient(ClientProfile profile);
    ~PortalClient();
    PortalClient(const PortalClient&) = delete;
    PortalClient& operator=(const PortalClient&) = delete;

    // "application/json;charset=UTF-8" gives the media type "application/json" and the
    // charset "UTF-8", sent again as "application/json; charset=UTF-8".
    void SetContentType(const QString& value);
    void SetReferer(const QString& value) { referer_ = value; }
    void ClearCustomHeaders() { customHeaders_.clear(); }
    void AddCustomHeader(const QString& line) { customHeaders_.append(line); }
    // The Connection line's value; the first POST sets "keep-alive" when none is set.
    void SetConnectionValue(const QString& value) { connectionValue_ = value; }

    // The body decoded by the answer's charset.
    QString Get(const QString& url);
    QString Post(const QString& url, const QString& body);
    // The answer's body bytes exactly as received.
    QByteArray PostRaw(const QString& url, const QString& body);

    // Status code of the last status line; -1 when none has been received.
    int ResponseCode() const;
    const QByteArray& LastStatusLine() const { return lastStatusLine_; }

    // Ends the request in flight (or, when none is, the next one) with the message
    // "Request aborted.". Safe to call from any thread.
    void Abort() { abort_.Raise(); }

    // Settings that the profile fixes; tests shorten the time-outs and the size cap.
    void SetConnectTimeout(int ms) { connectTimeoutMs_ = ms; }
    void SetReadTimeout(int ms) { readTimeoutMs_ = ms; }
    void SetMaxAnswerBytes(std::size_t bytes) { maxAnswerBytes_ = bytes; }
    int ConnectTimeout() const { return connectTimeoutMs_; }
    int ReadTimeout() const { return readTimeoutMs_; }
    const QString& Accept() const { return accept_; }
    const QString& UserAgent() const { return userAgent_; }
    const QString& ContentType() const { return contentType_; }
    const QString& ContentCharset() const { return contentCharset_; }
    const QString& Referer() const { return referer_; }
    const QStringList& CustomHeaders() const { return customHeaders_; }
    const QString& ConnectionValue() const { return connectionValue_; }

    static constexpr std::size_t kMaxAnswerBytes = std::size_t{256} * 1024 * 1024;

private:
    struct Answer {
        QByteArray body;
        QByteArray contentType;
    };
    struct Exchange {
        int code = -1;
        QByteArray location;
        QByteArray contentType;
        QByteArray body;
    };

    Answer Request(QByteArray method, const QString& url, const QByteArray& body);
    Exchange SendOnce(const QByteArray& method, const PortalUrl& url, const QByteArray& body);
    void EnsureConnection(const PortalUrl& url);

    QString accept_;
    QString userAgent_;
    int connectTimeoutMs_;
    int readTimeoutMs_;
    QString contentType_;
    QString contentCharset_;
    QString referer_;
    QStringList customHeaders_;
    QString connectionValue_;
    CookieStore cookies_;
    std::size_t maxAnswerBytes_ = kMaxAnswerBytes;
    QByteArray lastStatusLine_;
    bool haveStatusLine_ = false;
    AbortSignal abort_;
    TlsSessionStore sessions_;
    std::unique_ptr<TlsConnection> connection_; // after abort_, which it refers to
};
