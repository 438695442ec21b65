#pragma once

#include "ChildProcess.h"
#include "PortalSimProcess.h"

#include <QStringList>
#include <memory>

// `openssl s_server -www` on a free port of 127.0.0.1 with a fresh self-signed certificate,
// given further options such as "-tls1_3"; ended when the object goes.
class OpenSslServerProcess {
public:
    // Throws std::runtime_error when the certificate cannot be made or the server does not
    // report its port within a bounded wait.
    explicit OpenSslServerProcess(const QStringList& options);

    int Port() const { return port_; }

private:
    TemporaryFolder folder_;
    std::unique_ptr<ChildProcess> server_;
    int port_ = 0;
};
