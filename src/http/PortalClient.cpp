#include "http/PortalClient.h"

#include "http/CharsetDecoder.h"
#include "http/HttpRequestText.h"
#include "http/HttpResponseReader.h"
#include "http/HttpStatusLine.h"
#include "http/PortalError.h"
#include "http/PortalUrl.h"
#include "http/TlsConnection.h"

namespace {

constexpr int kMostRedirectsFollowed = 14;

// Whether an answer lets the connection stay open, judged by the version of the request.
bool KeepsConnection(bool http10, const QByteArray& connectionLine) {
    const QByteArray value = connectionLine.trimmed();
    if (http10)
        return QByteArrayView(value).compare("keep-alive", Qt::CaseInsensitive) == 0;
    return QByteArrayView(value).compare("close", Qt::CaseInsensitive) != 0;
}

} // namespace

PortalClient::PortalClient(ClientProfile profile)
    : accept_(QStringLiteral("text/html, */*")), connectTimeoutMs_(60000) {
    if (profile == ClientProfile::Worker) {
        userAgent_ = QStringLiteral(
            "Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:109.0) Gecko/20100101 Firefox/114.0");
        readTimeoutMs_ = 600000;
    } else {
        userAgent_ = QStringLiteral("Mozilla/5.0 (Windows NT 6.1; Win64; x64) "
                                    "AppleWebKit/537.36 (KHTML, like Gecko) "
                                    "Chrome/69.0.3497.100 Safari/537.36");
        readTimeoutMs_ = 60000;
    }
}

PortalClient::~PortalClient() = default;

void PortalClient::SetContentType(const QString& value) {
    const QStringList parts = value.split(QLatin1Char(';'));
    contentType_ = parts.value(0).trimmed();
    contentCharset_.clear();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString parameter = parts[i].trimmed();
        const qsizetype equals = parameter.indexOf(QLatin1Char('='));
        if (equals > 0 && parameter.left(equals).trimmed().compare(QLatin1String("charset"),
                                                                   Qt::CaseInsensitive) == 0) {
            contentCharset_ = parameter.mid(equals + 1).trimmed();
        }
    }
}

int PortalClient::ResponseCode() const {
    return haveStatusLine_ ? StatusCodeOf(lastStatusLine_) : -1;
}

QString PortalClient::Get(const QString& url) {
    const Answer answer = Request("GET", url, {});
    return DecodeBody(answer.body, answer.contentType);
}

QString PortalClient::Post(const QString& url, const QString& body) {
    const Answer answer = Request("POST", url, body.toUtf8());
    return DecodeBody(answer.body, answer.contentType);
}

QByteArray PortalClient::PostRaw(const QString& url, const QString& body) {
    return Request("POST", url, body.toUtf8()).body;
}

PortalClient::Answer PortalClient::Request(QByteArray method, const QString& url,
                                           const QByteArray& body) {
    try {
        if (abort_.Raised())
            throw PortalError(AbortedText());
        PortalUrl target = ParsePortalUrl(url);
        QByteArray payload = body;
        int redirects = 0;
        for (;;) {
            Exchange exchange = SendOnce(method, target, payload);
            if (exchange.code >= 200 && exchange.code < 300)
                return {std::move(exchange.body), std::move(exchange.contentType)};
            if (exchange.code >= 300 && exchange.code < 400 && exchange.code != 304 &&
                !exchange.location.isEmpty()) {
                if (++redirects > kMostRedirectsFollowed)
                    return {};
                if (exchange.code == 303) {
                    method = "GET";
                    payload.clear();
                }
                target =
                    ParsePortalUrl(ResolveLocation(target, QString::fromLatin1(exchange.location)));
                continue;
            }
            throw PortalError(QString::fromLatin1(lastStatusLine_), exchange.code);
        }
    } catch (const PortalError&) {
        if (abort_.Raised()) {
            abort_.Clear();
            connection_.reset();
            throw PortalError(AbortedText());
        }
        throw;
    }
}

void PortalClient::EnsureConnection(const PortalUrl& url) {
    if (connection_ && (connection_->Host() != url.host || connection_->Port() != url.port ||
                        !connection_->Reusable())) {
        connection_.reset();
    }
    if (!connection_) {
        connection_ = std::make_unique<TlsConnection>(url.host, url.port, connectTimeoutMs_,
                                                      readTimeoutMs_, abort_, sessions_);
    }
    connection_->SetReadTimeout(readTimeoutMs_);
}

PortalClient::Exchange PortalClient::SendOnce(const QByteArray& method, const PortalUrl& url,
                                              const QByteArray& body) {
    const bool post = method == "POST";
    const bool http10 = post;
    if (post)
        connection_.reset(); // every POST goes out on a new connection
    if (http10 && connectionValue_.isEmpty())
        connectionValue_ = QStringLiteral("keep-alive");

    HttpRequestHead head;
    head.method = method;
    head.target = url.target;
    head.http10 = http10;
    head.connection = connectionValue_;
    head.contentType = contentType_;
    head.contentCharset = contentCharset_;
    if (post)
        head.contentLength = body.size();
    head.customHeaders = customHeaders_;
    head.host = url.HostLine();
    head.accept = accept_;
    head.referer = referer_;
    head.userAgent = userAgent_;
    head.cookie = cookies_.HeaderFor(url.host, url.target, url.scheme == QLatin1String("https"));
    QByteArray request = BuildRequestText(head);
    if (post)
        request.append(body);

    Exchange exchange;
    try {
        EnsureConnection(url);
        connection_->WriteAll(request);
        HttpResponseReader reader(*connection_, maxAnswerBytes_);
        QByteArray statusLine = reader.ReadStatusLine();
        while (IsInterimStatus(StatusCodeOf(statusLine))) {
            reader.ReadHeaderFields();
            statusLine = reader.ReadStatusLine();
        }
        lastStatusLine_ = statusLine;
        haveStatusLine_ = true;
        exchange.code = StatusCodeOf(statusLine);
        const HttpHeaderFields fields = reader.ReadHeaderFields();
        for (const QByteArray& setCookie : HeaderValues(fields, "Set-Cookie"))
            cookies_.SetFromHeader(setCookie, url.host, url.target);
        exchange.location = HeaderValue(fields, "Location");
        exchange.contentType = HeaderValue(fields, "Content-Type");
        exchange.body = reader.ReadBody(exchange.code, fields);
        if (!KeepsConnection(http10, HeaderValue(fields, "Connection")) ||
            reader.ReachedStreamEnd() || reader.HasBufferedBytes()) {
            connection_.reset();
        }
    } catch (...) {
        connection_.reset(); // its state is unknown after a failure
        throw;
    }
    return exchange;
}
