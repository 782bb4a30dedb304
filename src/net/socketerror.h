#pragma once

#include "platform/error.h"

#include <string>

// The transport's failures and the texts of socket error codes.
namespace marlune::net {

// A socket or lookup failure.
class SocketError : public Error {
public:
    using Error::Error;
};

// An operation ended by Cancel, Abort or the time-out timer.
class AbortError : public Error {
public:
    using Error::Error;
};

// "10061:Connection refused": the decimal code, a colon and the description;
// "Unknown Error No. 10100" for a code without one.
std::string ErrorText(int code);

} // namespace marlune::net
