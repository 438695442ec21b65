// The answer reader over arbitrary bytes: status lines, interim answers, header lines, bodies
// by length, chunked coding or to the end; then the cookie store and the body decoding on
// what was read. Reading in one-byte steps must give the same answer as reading in large ones.
#include "http/CharsetDecoder.h"
#include "http/CookieStore.h"
#include "http/HttpResponseReader.h"
#include "http/HttpStatusLine.h"
#include "http/PortalError.h"

#include <cstdint>

namespace {

constexpr std::size_t kCap = 1 << 20;

struct Outcome {
    bool failed = false;
    QString failure;
    QByteArray statusLine;
    HttpHeaderFields fields;
    QByteArray body;
};

Outcome Read(const char* data, std::size_t size, std::size_t step) {
    MemoryByteSource source(data, size, step);
    HttpResponseReader reader(source, kCap);
    Outcome outcome;
    try {
        outcome.statusLine = reader.ReadStatusLine();
        for (int interim = 0; IsInterimStatus(StatusCodeOf(outcome.statusLine)); ++interim) {
            reader.ReadHeaderFields();
            outcome.statusLine = reader.ReadStatusLine();
        }
        outcome.fields = reader.ReadHeaderFields();
        outcome.body = reader.ReadBody(StatusCodeOf(outcome.statusLine), outcome.fields);
    } catch (const PortalError& error) {
        outcome.failed = true;
        outcome.failure = error.message();
    }
    return outcome;
}

bool SameFields(const HttpHeaderFields& a, const HttpHeaderFields& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].value != b[i].value)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    const Outcome whole = Read(bytes, size, 4096);
    const Outcome single = Read(bytes, size, 1);
    if (whole.failed != single.failed || whole.failure != single.failure ||
        whole.statusLine != single.statusLine || !SameFields(whole.fields, single.fields) ||
        whole.body != single.body)
        __builtin_trap();
    if (whole.body.size() > static_cast<qsizetype>(kCap))
        __builtin_trap();
    if (whole.failed)
        return 0;

    CookieStore cookies;
    for (const QByteArray& setCookie : HeaderValues(whole.fields, "Set-Cookie"))
        cookies.SetFromHeader(setCookie, QStringLiteral("portal.example"), QStringLiteral("/a/b"));
    (void)cookies.HeaderFor(QStringLiteral("portal.example"), QStringLiteral("/a/b/c"), true);
    (void)DecodeBody(whole.body, HeaderValue(whole.fields, "Content-Type"));
    return 0;
}
