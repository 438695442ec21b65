#pragma once

#include <QString>
#include <stdexcept>

// A failure that carries a message text, which is all that callers use of it (the harvest puts
// it into its log as it is); what() gives the same text in UTF-8.
class MessageError : public std::runtime_error {
public:
    explicit MessageError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}

    const QString& message() const { return message_; }

private:
    QString message_;
};

// The system's text for an error number, such as "No such file or directory".
QString SystemReason(int errorNumber);
