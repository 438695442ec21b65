#pragma once

#include "http/ByteSource.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <openssl/ssl.h>

class AbortSignal;
class TlsSessionStore;

// Owns one socket descriptor.
class SocketHandle {
public:
    explicit SocketHandle(int fd = -1) : fd_(fd) {}
    ~SocketHandle();
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    SocketHandle(SocketHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    SocketHandle& operator=(SocketHandle&& other) noexcept;

    int get() const { return fd_; }

private:
    int fd_;
};

// One TCP connection with a TLS session on it. The socket is non-blocking; every wait polls
// it beside the abort signal's descriptor: the connect wait up to the connect time-out, every
// other wait (handshake, reading, writing) up to the read time-out.
class TlsConnection : public ByteSource {
public:
    // Resolves the host, connects and performs the handshake with server name indication,
    // offering the session that `sessions` holds for host and port; the session of the
    // finished handshake goes back there. Fails with the client's failure texts ("Connect timed
    // out.", "Read timed out.", "Socket Error # ...", "Error connecting with SSL." + CR LF +
    // reason).
    TlsConnection(const QString& host, int port, int connectTimeoutMs, int readTimeoutMs,
                  AbortSignal& abort, TlsSessionStore& sessions);
    ~TlsConnection() override;
    TlsConnection(const TlsConnection&) = delete;
    TlsConnection& operator=(const TlsConnection&) = delete;

    const QString& Host() const { return host_; }
    int Port() const { return port_; }
    void SetReadTimeout(int ms) { readTimeoutMs_ = ms; }

    std::size_t ReadSome(char* buffer, std::size_t capacity) override;
    void WriteAll(const QByteArray& bytes);

    // True while the peer has neither closed the connection nor sent anything unasked, so a
    // new request may go out on it.
    bool Reusable() const;

private:
    struct SslFree {
        void operator()(SSL* ssl) const { SSL_free(ssl); }
    };

    void Connect(int connectTimeoutMs);
    void Handshake(TlsSessionStore& sessions);
    // Waits until the socket is ready for `events`; fails with `timeoutText` when the time-out
    // passes first and with the abort text when the abort signal is raised.
    void Wait(short events, int timeoutMs, const QString& timeoutText);
    [[noreturn]] void ThrowIoFailure(int sslError, int savedErrno);

    QString host_;
    int port_;
    int readTimeoutMs_;
    AbortSignal& abort_;
    SocketHandle socket_;
    std::unique_ptr<SSL, SslFree> ssl_;
};

// The message of a request ended by Abort().
QString AbortedText();
