#include "http/SocketError.h"

#include "http/PortalError.h"

#include <netdb.h>

namespace {

QString Format(int number, const QString& description) {
    return QStringLiteral("Socket Error # %1\r\n%2").arg(number).arg(description);
}

} // namespace

QString SocketErrorText(int errorNumber) {
    return Format(errorNumber, SystemReason(errorNumber) + QLatin1Char('.'));
}

void ThrowSocketError(int errorNumber) {
    throw PortalError(SocketErrorText(errorNumber));
}

void ThrowHostNotFound() {
    throw PortalError(Format(HOST_NOT_FOUND, QStringLiteral("Host not found.")));
}
