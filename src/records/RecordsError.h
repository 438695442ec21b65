#pragma once

#include <QString>
#include <stdexcept>

// A failure of the house records layer: the table or a passport file could not be written.
// The message names the file and the system's reason; the harvest logs it as it is.
class TRecordsError : public std::runtime_error {
public:
    explicit TRecordsError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}

    const QString& message() const { return message_; }

private:
    QString message_;
};

// The system's reason for an error number, such as "No such file or directory".
QString SystemReason(int errorNumber);
