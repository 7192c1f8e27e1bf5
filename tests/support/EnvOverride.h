#pragma once
// Puts an environment variable back as it was when the test is done with it.

#include <cstdlib>
#include <optional>
#include <string>

namespace pagolux::test {

class EnvOverride {
  public:
    // Remembers the variable; the test may change it freely.
    explicit EnvOverride(const char* name) : name_(name)
    {
        if (const char* old = std::getenv(name))
            saved_ = old;
    }
    // Remembers the variable and sets it to value.
    EnvOverride(const char* name, const std::string& value) : EnvOverride(name)
    {
        ::setenv(name, value.c_str(), 1);
    }
    ~EnvOverride()
    {
        if (saved_)
            ::setenv(name_, saved_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

  private:
    const char* name_;
    std::optional<std::string> saved_;
};

} // namespace pagolux::test
