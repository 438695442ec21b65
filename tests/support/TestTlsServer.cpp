#include "TestTlsServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kReadWaitSeconds = 5;

int BoundLoopbackSocket(int& port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        throw std::runtime_error("bind failed");
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

// A self-signed P-256 certificate for "localhost", made once per process.
struct Credentials {
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;

    Credentials() {
        key = EVP_EC_gen("P-256");
        certificate = X509_new();
        X509_set_version(certificate, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
        X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
        X509_gmtime_adj(X509_getm_notAfter(certificate), 3600L * 24 * 365);
        X509_set_pubkey(certificate, key);
        X509_NAME* name = X509_get_subject_name(certificate);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
        X509_set_issuer_name(certificate, name);
        X509_sign(certificate, key, EVP_sha256());
    }
};

const Credentials& ServerCredentials() {
    static const Credentials credentials;
    return credentials;
}

} // namespace

int TestServerConnection::ReadSome(char* buffer, int capacity) {
    if (ssl_ != nullptr) {
        const int count = SSL_read(ssl_, buffer, capacity);
        return count > 0 ? count : 0;
    }
    const ssize_t count = recv(fd_, buffer, static_cast<size_t>(capacity), 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

QByteArray TestServerConnection::ReadRequest() {
    for (;;) {
        const qsizetype headEnd = pending_.indexOf("\r\n\r\n");
        if (headEnd >= 0) {
            const QByteArray head = pending_.left(headEnd + 4);
            qsizetype length = 0;
            for (const QByteArray& line : head.split('\n')) {
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            }
            if (pending_.size() >= headEnd + 4 + length) {
                const QByteArray request = pending_.left(headEnd + 4 + length);
                pending_.remove(0, request.size());
                server_.Record(request);
                return request;
            }
        }
        char buffer[16384];
        const int count = ReadSome(buffer, sizeof buffer);
        if (count <= 0)
            return {};
        pending_.append(buffer, count);
    }
}

QByteArray TestServerConnection::ReadAvailable() {
    char buffer[16384];
    const int count = ReadSome(buffer, sizeof buffer);
    return QByteArray(buffer, count);
}

void TestServerConnection::Send(const QByteArray& bytes) {
    if (ssl_ != nullptr)
        SSL_write(ssl_, bytes.constData(), static_cast<int>(bytes.size()));
    else
        send(fd_, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL);
}

void TestServerConnection::Reset() {
    const linger hard{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ssl_ = nullptr; // the close that follows the handler sends the reset
}

void TestServerConnection::Pause(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!server_.Stopping() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

TestTlsServer::TestTlsServer(Handler handler) : TestTlsServer(std::move(handler), Options{}) {}

TestTlsServer::TestTlsServer(Handler handler, Options options)
    : handler_(std::move(handler)), options_(options) {
    listenFd_ = BoundLoopbackSocket(port_);
    listen(listenFd_, 16);
    if (options_.tls) {
        const Credentials& credentials = ServerCredentials();
        context_ = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate(context_, credentials.certificate);
        SSL_CTX_use_PrivateKey(context_, credentials.key);
        if (options_.minVersion != 0)
            SSL_CTX_set_min_proto_version(context_, options_.minVersion);
        if (options_.maxVersion != 0)
            SSL_CTX_set_max_proto_version(context_, options_.maxVersion);
    }
    thread_ = std::thread([this] { Run(); });
}

TestTlsServer::~TestTlsServer() {
    stopping_ = true;
    const int active = activeFd_.load();
    if (active >= 0)
        shutdown(active, SHUT_RDWR);
    thread_.join();
    close(listenFd_);
    SSL_CTX_free(context_);
}

QString TestTlsServer::Origin() const {
    return QStringLiteral("https://127.0.0.1:%1").arg(port_);
}

int TestTlsServer::Connections() const {
    const std::lock_guard lock(mutex_);
    return connections_;
}

int TestTlsServer::ClosedConnections() const {
    const std::lock_guard lock(mutex_);
    return closed_;
}

QStringList TestTlsServer::ServerNames() const {
    const std::lock_guard lock(mutex_);
    return serverNames_;
}

std::vector<bool> TestTlsServer::Resumed() const {
    const std::lock_guard lock(mutex_);
    return resumed_;
}

std::vector<QByteArray> TestTlsServer::Requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

void TestTlsServer::Record(const QByteArray& request) {
    const std::lock_guard lock(mutex_);
    requests_.push_back(request);
}

void TestTlsServer::Run() {
    while (!stopping_) {
        pollfd wait{listenFd_, POLLIN, 0};
        if (poll(&wait, 1, 20) <= 0)
            continue;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        {
            const std::lock_guard lock(mutex_);
            ++connections_;
        }
        activeFd_ = fd;
        if (stopping_)
            shutdown(fd, SHUT_RDWR);
        Serve(fd);
        activeFd_ = -1;
        close(fd);
        const std::lock_guard lock(mutex_);
        ++closed_;
    }
}

void TestTlsServer::Serve(int fd) {
    const timeval wait{kReadWaitSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    if (!options_.tls) {
        TestServerConnection connection(fd, nullptr, *this);
        handler_(connection);
        return;
    }
    if (options_.freshTicketKeys) {
        unsigned char keys[80]; // name, HMAC secret, AES key
        RAND_bytes(keys, sizeof keys);
        SSL_CTX_set_tlsext_ticket_keys(context_, keys, sizeof keys);
    }
    SSL* ssl = SSL_new(context_);
    SSL_set_fd(ssl, fd);
    const bool accepted = SSL_accept(ssl) == 1;
    const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
    {
        const std::lock_guard lock(mutex_);
        serverNames_.append(name != nullptr ? QString::fromUtf8(name) : QString());
        resumed_.push_back(accepted && SSL_session_reused(ssl) == 1);
    }
    if (accepted) {
        TestServerConnection connection(fd, ssl, *this);
        handler_(connection);
    }
    SSL_free(ssl);
}

RefusingPort::RefusingPort() {
    fd_ = BoundLoopbackSocket(port_);
}

RefusingPort::~RefusingPort() {
    close(fd_);
}

FullBacklogPort::FullBacklogPort() {
    fd_ = BoundLoopbackSocket(port_);
    listen(fd_, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port_));
    // Connect until one attempt is left hanging: from then on the queue is full. Bounded.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        fillers_.push_back(fd);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            continue;
        pollfd wait{fd, POLLOUT, 0};
        if (poll(&wait, 1, 100) == 0)
            break;
    }
}

FullBacklogPort::~FullBacklogPort() {
    for (const int fd : fillers_)
        close(fd);
    close(fd_);
}
