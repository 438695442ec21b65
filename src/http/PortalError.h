#pragma once

#include "base/MessageError.h"

// A failed portal request. An answer with a failing status carries its code; every other failure
// (connect, TLS, time-out, closed connection) carries -1, whatever an earlier answer said.
class PortalError : public MessageError {
public:
    explicit PortalError(const QString& message, int statusCode = -1)
        : MessageError(message), statusCode_(statusCode) {}

    int StatusCode() const { return statusCode_; }

private:
    int statusCode_;
};
