#include "OpenSslServerProcess.h"

#include <stdexcept>

namespace {

constexpr int kWaitMs = 10000;

} // namespace

OpenSslServerProcess::OpenSslServerProcess(const QStringList& options) {
    const QString key = folder_.Path() + QStringLiteral("/key.pem");
    const QString certificate = folder_.Path() + QStringLiteral("/certificate.pem");
    ChildProcess request(
        {QStringLiteral("openssl"), QStringLiteral("req"), QStringLiteral("-x509"),
         QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
         QStringLiteral("ec_paramgen_curve:P-256"), QStringLiteral("-nodes"),
         QStringLiteral("-subj"), QStringLiteral("/CN=localhost"), QStringLiteral("-days"),
         QStringLiteral("1"), QStringLiteral("-keyout"), key, QStringLiteral("-out"), certificate});
    if (request.Wait(kWaitMs) != 0)
        throw std::runtime_error("openssl req failed");

    server_ = std::make_unique<ChildProcess>(
        QStringList{QStringLiteral("openssl"), QStringLiteral("s_server"),
                    QStringLiteral("-accept"), QStringLiteral("127.0.0.1:0"),
                    QStringLiteral("-www"), QStringLiteral("-cert"), certificate,
                    QStringLiteral("-key"), key} +
        options);
    for (int line = 0; line < 10 && port_ == 0; ++line) {
        const QByteArray text = server_->ReadLine(kWaitMs);
        if (text.isEmpty())
            break;
        if (text.startsWith("ACCEPT 127.0.0.1:"))
            port_ = text.mid(17).toInt();
    }
    if (port_ == 0)
        throw std::runtime_error("openssl s_server reported no port");
}
