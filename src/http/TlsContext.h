#pragma once

#include <QString>
#include <openssl/ssl.h>

// The one TLS client context of the program: versions up to TLS 1.2 (the library's lowest
// enabled version below that; security level 0, so that TLS 1.0 and 1.1 can be negotiated),
// the library's default cipher suites, no certificate verification, no client certificate. A
// connection closed without a TLS close alert counts as the end of the stream, as a plain TCP close
// does. Fails with "Could not load SSL library." when the library cannot make a context.
SSL_CTX* ClientTlsContext();

// The reason text of the first TLS library error in the queue, or empty when there is none; the
// error queue is emptied.
QString TakeTlsErrorReason();
