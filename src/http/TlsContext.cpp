#include "http/TlsContext.h"

#include "http/PortalError.h"

#include <csignal>
#include <memory>
#include <openssl/err.h>

namespace {

struct ContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};

// A peer that has gone away makes a write fail with EPIPE; without this the process would
// get SIGPIPE from inside the TLS library's socket writes.
void IgnoreBrokenPipeSignal() {
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, nullptr);
    }
}

std::unique_ptr<SSL_CTX, ContextFree> MakeContext() {
    IgnoreBrokenPipeSignal();
    std::unique_ptr<SSL_CTX, ContextFree> context(SSL_CTX_new(TLS_client_method()));
    if (!context)
        return context;
    SSL_CTX_set_max_proto_version(context.get(), TLS1_2_VERSION);
    // At the library's default level 1, TLS 1.0 and 1.1 are offered but fail in the handshake
    // (their MD5/SHA-1 signatures count as too weak); level 0 lets them complete. Nothing is
    // verified anyway.
    SSL_CTX_set_security_level(context.get(), 0);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_options(context.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
    // each client keeps the session of its latest handshake itself (TlsSessionStore)
    SSL_CTX_set_session_cache_mode(context.get(), SSL_SESS_CACHE_OFF);
    return context;
}

} // namespace

SSL_CTX* ClientTlsContext() {
    static const std::unique_ptr<SSL_CTX, ContextFree> context = MakeContext();
    if (!context) {
        ERR_clear_error();
        throw PortalError(QStringLiteral("Could not load SSL library."));
    }
    return context.get();
}

QString TakeTlsErrorReason() {
    const unsigned long first = ERR_get_error();
    ERR_clear_error();
    if (first == 0)
        return {};
    if (ERR_GET_LIB(first) == ERR_LIB_SSL &&
        ERR_GET_REASON(first) == SSL_R_UNEXPECTED_EOF_WHILE_READING)
        return QStringLiteral("EOF was observed that violates the protocol");
    const char* reason = ERR_reason_error_string(first);
    if (reason == nullptr)
        return QStringLiteral("error code %1").arg(first);
    return QString::fromLatin1(reason);
}
