#include "http/TlsConnection.h"

#include "http/AbortSignal.h"
#include "http/PortalError.h"
#include "http/SocketError.h"
#include "http/TlsContext.h"
#include "http/TlsSessionStore.h"

#include <cerrno>
#include <chrono>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct AddressListFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

QString ReadTimedOut() {
    return QStringLiteral("Read timed out.");
}

} // namespace

QString AbortedText() {
    return QStringLiteral("Request aborted.");
}

SocketHandle::~SocketHandle() {
    if (fd_ >= 0)
        close(fd_);
}

SocketHandle& SocketHandle::operator=(SocketHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

TlsConnection::TlsConnection(const QString& host, int port, int connectTimeoutMs, int readTimeoutMs,
                             AbortSignal& abort, TlsSessionStore& sessions)
    : host_(host), port_(port), readTimeoutMs_(readTimeoutMs), abort_(abort) {
    try {
        Connect(connectTimeoutMs);
        Handshake(sessions);
    } catch (...) {
        abort_.Detach();
        throw;
    }
}

TlsConnection::~TlsConnection() {
    // The connection ends without a close alert, as ever. Marking it as shut down keeps its
    // session resumable; the library would otherwise take the missing alert for a failure and
    // drop the session. One that a fatal alert spoilt, the library has dropped already.
    SSL_set_shutdown(ssl_.get(), SSL_SENT_SHUTDOWN | SSL_RECEIVED_SHUTDOWN);
    abort_.Detach();
}

void TlsConnection::Wait(short events, int timeoutMs, const QString& timeoutText) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (abort_.Raised())
            throw PortalError(AbortedText());
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            throw PortalError(timeoutText);
        pollfd waits[2] = {{socket_.get(), events, 0}, {abort_.WakeDescriptor(), POLLIN, 0}};
        const int ready = poll(waits, 2, static_cast<int>(left));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            ThrowSocketError(errno);
        }
        if (waits[1].revents != 0)
            throw PortalError(AbortedText());
        if (waits[0].revents != 0)
            return; // ready, or an error condition that the next operation reports
    }
}

void TlsConnection::Connect(int connectTimeoutMs) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const QByteArray hostBytes = host_.toUtf8();
    const QByteArray portBytes = QByteArray::number(port_);
    const int lookup = getaddrinfo(hostBytes.constData(), portBytes.constData(), &hints, &found);
    if (lookup == EAI_SYSTEM)
        ThrowSocketError(errno);
    if (lookup != 0 || found == nullptr)
        ThrowHostNotFound();
    const std::unique_ptr<addrinfo, AddressListFree> addresses(found);

    int lastError = ECONNREFUSED;
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        SocketHandle candidate(socket(address->ai_family,
                                      address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                      address->ai_protocol));
        if (candidate.get() < 0) {
            lastError = errno;
            continue;
        }
        const int on = 1;
        setsockopt(candidate.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        socket_ = std::move(candidate);
        abort_.Attach(socket_.get());
        if (connect(socket_.get(), address->ai_addr, address->ai_addrlen) == 0)
            return;
        if (errno != EINPROGRESS) {
            lastError = errno;
            abort_.Detach();
            continue;
        }
        Wait(POLLOUT, connectTimeoutMs, QStringLiteral("Connect timed out."));
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error == 0)
            return;
        lastError = error;
        abort_.Detach();
    }
    socket_ = SocketHandle();
    ThrowSocketError(lastError);
}

void TlsConnection::Handshake(TlsSessionStore& sessions) {
    ssl_.reset(SSL_new(ClientTlsContext()));
    if (!ssl_ || SSL_set_fd(ssl_.get(), socket_.get()) != 1) {
        throw PortalError(QStringLiteral("Error connecting with SSL.\r\n") + TakeTlsErrorReason());
    }
    const QByteArray name = host_.toUtf8();
    if (!name.isEmpty())
        SSL_set_tlsext_host_name(ssl_.get(), name.constData());
    // A server that does not know the session any more makes a full handshake instead.
    if (SSL_SESSION* earlier = sessions.For(host_, port_))
        SSL_set_session(ssl_.get(), earlier);
    ERR_clear_error();
    for (;;) {
        errno = 0;
        const int result = SSL_connect(ssl_.get());
        const int savedErrno = errno;
        if (result == 1) {
            sessions.Keep(host_, port_, ssl_.get());
            return;
        }
        const int error = SSL_get_error(ssl_.get(), result);
        if (error == SSL_ERROR_WANT_READ) {
            Wait(POLLIN, readTimeoutMs_, ReadTimedOut());
        } else if (error == SSL_ERROR_WANT_WRITE) {
            Wait(POLLOUT, readTimeoutMs_, ReadTimedOut());
        } else {
            if (abort_.Raised())
                throw PortalError(AbortedText());
            QString reason = TakeTlsErrorReason();
            if (reason.isEmpty() && error == SSL_ERROR_SYSCALL && savedErrno != 0)
                ThrowSocketError(savedErrno);
            if (reason.isEmpty())
                reason = QStringLiteral("EOF was observed that violates the protocol");
            throw PortalError(QStringLiteral("Error connecting with SSL.\r\n") + reason);
        }
    }
}

void TlsConnection::ThrowIoFailure(int sslError, int savedErrno) {
    if (abort_.Raised())
        throw PortalError(AbortedText());
    const QString reason = TakeTlsErrorReason();
    if (sslError == SSL_ERROR_SYSCALL && savedErrno != 0)
        ThrowSocketError(savedErrno);
    if (reason.isEmpty())
        throw PortalError(QStringLiteral("Connection Closed Gracefully."));
    throw PortalError(reason);
}

std::size_t TlsConnection::ReadSome(char* buffer, std::size_t capacity) {
    for (;;) {
        std::size_t count = 0;
        errno = 0;
        const int result = SSL_read_ex(ssl_.get(), buffer, capacity, &count);
        const int savedErrno = errno;
        if (result == 1)
            return count;
        const int error = SSL_get_error(ssl_.get(), result);
        if (error == SSL_ERROR_WANT_READ) {
            Wait(POLLIN, readTimeoutMs_, ReadTimedOut());
        } else if (error == SSL_ERROR_WANT_WRITE) {
            Wait(POLLOUT, readTimeoutMs_, ReadTimedOut());
        } else if (error == SSL_ERROR_ZERO_RETURN ||
                   (error == SSL_ERROR_SYSCALL && savedErrno == 0 && ERR_peek_error() == 0)) {
            if (abort_.Raised())
                throw PortalError(AbortedText());
            return 0;
        } else {
            ThrowIoFailure(error, savedErrno);
        }
    }
}

void TlsConnection::WriteAll(const QByteArray& bytes) {
    std::size_t offset = 0;
    const auto total = static_cast<std::size_t>(bytes.size());
    while (offset < total) {
        std::size_t written = 0;
        errno = 0;
        const int result =
            SSL_write_ex(ssl_.get(), bytes.constData() + offset, total - offset, &written);
        const int savedErrno = errno;
        if (result == 1) {
            offset += written;
            continue;
        }
        const int error = SSL_get_error(ssl_.get(), result);
        if (error == SSL_ERROR_WANT_WRITE)
            Wait(POLLOUT, readTimeoutMs_, QStringLiteral("Write timed out."));
        else if (error == SSL_ERROR_WANT_READ)
            Wait(POLLIN, readTimeoutMs_, ReadTimedOut());
        else
            ThrowIoFailure(error, savedErrno);
    }
}

bool TlsConnection::Reusable() const {
    if (!ssl_ || SSL_pending(ssl_.get()) > 0)
        return false;
    pollfd check{socket_.get(), POLLIN, 0};
    const int ready = poll(&check, 1, 0);
    return ready == 0; // anything readable now is a close, an alert or data nobody asked for
}
