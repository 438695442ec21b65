#include "portal/SocketError.h"

#include "portal/PortalError.h"

#include <cstring>
#include <netdb.h>

namespace {

QString Format(int number, const QString& description) {
    return QStringLiteral("Socket Error # %1\r\n%2").arg(number).arg(description);
}

} // namespace

QString SocketErrorText(int errorNumber) {
    char buffer[256];
    // the GNU strerror_r returns the text, which may or may not be in the buffer
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return Format(errorNumber, QString::fromLocal8Bit(text) + QLatin1Char('.'));
}

void ThrowSocketError(int errorNumber) {
    throw PortalError(SocketErrorText(errorNumber));
}

void ThrowHostNotFound() {
    throw PortalError(Format(HOST_NOT_FOUND, QStringLiteral("Host not found.")));
}
