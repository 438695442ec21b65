#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <openssl/ssl.h>
#include <thread>
#include <vector>

// One accepted connection of a TestTlsServer, as the handler sees it. Every read waits at most
// a few seconds, so a handler never hangs a test.
class TestTlsServer;

class TestServerConnection {
public:
    TestServerConnection(int fd, SSL* ssl, TestTlsServer& server)
        : fd_(fd), ssl_(ssl), server_(server) {}

    // One request: the head up to the empty line and, when it has "Content-Length", the body.
    // Empty when the client closed the connection (or nothing came within the wait).
    QByteArray ReadRequest();
    // What one read gives (waiting for the first bytes), without looking for a request.
    QByteArray ReadAvailable();
    void Send(const QByteArray& bytes);
    // Ends the connection with a reset instead of an orderly close.
    void Reset();
    // Sleeps up to `ms` ms, returning early when the server stops.
    void Pause(int ms);

private:
    int ReadSome(char* buffer, int capacity);

    int fd_;
    SSL* ssl_; // null for plain TCP
    TestTlsServer& server_;
    QByteArray pending_;
};

// A TLS server on 127.0.0.1 (a port of its own) that serves one connection after another with
// a handler, and records the request texts, the server names the clients indicated and whether
// each handshake resumed a session. The certificate is self-signed and made in memory.
class TestTlsServer {
public:
    using Handler = std::function<void(TestServerConnection&)>;

    struct Options {
        int minVersion = 0; // 0: library default
        int maxVersion = 0; // 0: library default
        bool tls = true;    // false: plain TCP (handshake failures)
        // New ticket keys before every connection: each offered session is refused.
        bool freshTicketKeys = false;
    };

    explicit TestTlsServer(Handler handler);
    TestTlsServer(Handler handler, Options options);
    ~TestTlsServer();
    TestTlsServer(const TestTlsServer&) = delete;
    TestTlsServer& operator=(const TestTlsServer&) = delete;

    int Port() const { return port_; }
    QString Origin() const; // "https://127.0.0.1:PORT"
    QString Url(const QString& target) const { return Origin() + target; }

    int Connections() const;
    int ClosedConnections() const;
    QStringList ServerNames() const;
    // Per TLS connection, in order: whether its handshake resumed a session.
    std::vector<bool> Resumed() const;
    std::vector<QByteArray> Requests() const;
    const std::atomic<bool>& Stopping() const { return stopping_; }

    // Called by connections to record what they read.
    void Record(const QByteArray& request);

private:
    void Run();
    void Serve(int fd);

    Handler handler_;
    Options options_;
    int listenFd_ = -1;
    int port_ = 0;
    SSL_CTX* context_ = nullptr;
    std::atomic<bool> stopping_{false};
    std::atomic<int> activeFd_{-1};
    mutable std::mutex mutex_;
    int connections_ = 0;
    int closed_ = 0;
    QStringList serverNames_;
    std::vector<bool> resumed_;
    std::vector<QByteArray> requests_;
    std::thread thread_;
};

// A socket bound to 127.0.0.1 that does not listen: connecting to its port is refused.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A listening socket on 127.0.0.1 whose accept queue is full, so a further connect waits for
// an answer that never comes (the kernel drops the SYN).
class FullBacklogPort {
public:
    FullBacklogPort();
    ~FullBacklogPort();
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
};
