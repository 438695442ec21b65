#pragma once

#include <QString>

// "Socket Error # <number>" + CR LF + the description, for a failed socket operation. The
// number is the Linux error number; the description is the system's text for it with a full
// stop ("Connection refused.").
QString SocketErrorText(int errorNumber);
[[noreturn]] void ThrowSocketError(int errorNumber);

// A name the resolver does not know: error number HOST_NOT_FOUND of <netdb.h> (1), described
// as "Host not found.".
[[noreturn]] void ThrowHostNotFound();
