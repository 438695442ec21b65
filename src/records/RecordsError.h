#pragma once

#include "base/MessageError.h"

// A failure of the house records layer: the table or a passport file could not be written.
// The message names the file and the system's reason.
class RecordsError : public MessageError {
public:
    using MessageError::MessageError;
};
