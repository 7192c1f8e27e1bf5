#pragma once
// The one base of every error this program raises. The window's default error display shows
// any of them by what(); the texts are the user-facing messages.

#include <stdexcept>
#include <string>

namespace pagolux {

class Exception : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

} // namespace pagolux
