#pragma once
// Puts an environment variable back as it was when the test is done with it; IsolatedHome
// gives a test a home of its own.

#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
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

// A home of its own for a test: HOME points into a fresh scratch folder, XDG_DATA_HOME,
// XDG_CONFIG_HOME and TMPDIR into its "data", "config" and "tmp" folders (created empty), so that
// nothing reads or writes the real user's files. Everything is removed and the variables are
// put back as they were when the object goes. Create it before the window.
class IsolatedHome {
  public:
    IsolatedHome()
    {
        for (const char* name : {"data", "config", "tmp"})
            std::filesystem::create_directory(folder_ / name);
    }

    // The home folder, with a trailing "/".
    [[nodiscard]] std::string home() const { return folder_.folder(); }
    // Path of name inside the home.
    [[nodiscard]] std::string operator/(const std::string& name) const { return folder_ / name; }

  private:
    TempFolder folder_;
    EnvOverride home_{"HOME", folder_.folder()};
    EnvOverride data_{"XDG_DATA_HOME", folder_ / "data"};
    EnvOverride config_{"XDG_CONFIG_HOME", folder_ / "config"};
    EnvOverride tmp_{"TMPDIR", folder_ / "tmp"};
};

} // namespace pagolux::test
