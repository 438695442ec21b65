#pragma once

#include <QString>
#include <memory>

// OpenSSL's SSL and SSL_SESSION, kept out of the client's header.
struct ssl_st;
struct ssl_session_st;

// The TLS session of a client's latest handshake, kept with the host and port it was made
// with, so that the next connection there offers it (its session ID or ticket) and the server
// may resume it: a handshake with one round trip less and no key exchange. A server that
// refuses it makes a full handshake, whose session is then kept instead.
class TlsSessionStore {
public:
    // The session to offer to host:port, or null when none was made there.
    ssl_session_st* For(const QString& host, int port) const;
    // Keeps the session of the finished handshake on `ssl` in place of the one before.
    void Keep(const QString& host, int port, ssl_st* ssl);

private:
    struct SessionFree {
        void operator()(ssl_session_st* session) const;
    };

    QString host_;
    int port_ = 0;
    std::unique_ptr<ssl_session_st, SessionFree> session_;
};
