#pragma once

#include <exception>
#include <functional>

namespace marlune::platform {

// The application's exception event: when set, an error that no handler
// caught goes here instead of the default error handling's message box.
inline std::function<void(const std::exception_ptr& error)>& ApplicationExceptionHandler()
{
    static std::function<void(const std::exception_ptr& error)> handler;
    return handler;
}

} // namespace marlune::platform
