#pragma once

#include <QString>
#include <stdexcept>

// A failed portal request. The message text is all that callers use of it; what() gives the
// same text in UTF-8.
class PortalError : public std::runtime_error {
public:
    explicit PortalError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}

    const QString& message() const { return message_; }

private:
    QString message_;
};
