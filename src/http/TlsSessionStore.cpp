#include "http/TlsSessionStore.h"

#include <openssl/ssl.h>

void TlsSessionStore::SessionFree::operator()(SSL_SESSION* session) const {
    SSL_SESSION_free(session);
}

SSL_SESSION* TlsSessionStore::For(const QString& host, int port) const {
    return host == host_ && port == port_ ? session_.get() : nullptr;
}

void TlsSessionStore::Keep(const QString& host, int port, SSL* ssl) {
    session_.reset(SSL_get1_session(ssl));
    host_ = host;
    port_ = port;
}
