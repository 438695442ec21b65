#pragma once

#include "TestTlsServer.h"
#include "http/PortalClient.h"
#include "http/PortalError.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <thread>

// An answer with a "Content-Length" line; `extra` holds further header lines, each ended by
// CR LF.
inline QByteArray Answer(const QByteArray& status, const QByteArray& body,
                         const QByteArray& extra = {}) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\n" + extra + "\r\n" + body;
}

// A handler that answers every request of a connection with what `respond` gives for it; an
// empty answer closes the connection instead. At most 100 requests per connection.
inline TestTlsServer::Handler Serving(std::function<QByteArray(const QByteArray&)> respond) {
    return [respond](TestServerConnection& connection) {
        for (int i = 0; i < 100; ++i) {
            const QByteArray request = connection.ReadRequest();
            if (request.isEmpty())
                return;
            const QByteArray answer = respond(request);
            if (answer.isEmpty())
                return;
            connection.Send(answer);
        }
    };
}

// The target of a request text ("GET /x HTTP/1.1" gives "/x").
inline QByteArray TargetOf(const QByteArray& request) {
    const QByteArray line = request.left(request.indexOf("\r\n"));
    return line.mid(line.indexOf(' ') + 1, line.lastIndexOf(' ') - line.indexOf(' ') - 1);
}

// The message of the failure that `call` ends with, or "(no failure)".
inline QString FailureOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const PortalError& error) {
        return error.message();
    }
    return QStringLiteral("(no failure)");
}

// Waits (at most two seconds, in short steps) until `done` holds.
inline bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Short time-outs so that no failure test waits long.
inline void UseShortTimeouts(PortalClient& client) {
    client.SetConnectTimeout(500);
    client.SetReadTimeout(500);
}
