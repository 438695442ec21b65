#pragma once

#include "base/MessageError.h"

// A failed portal request.
class PortalError : public MessageError {
public:
    using MessageError::MessageError;
};
