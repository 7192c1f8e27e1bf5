#pragma once
// A scratch folder for one test, removed with everything in it afterwards.

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pagolux::test {

class TempFolder {
  public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "pgx-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        // Other users may look in (tests that drop privileges need that); nobody else writes.
        std::filesystem::permissions(
            path_, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                       std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                       std::filesystem::perms::others_exec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder()
    {
        std::error_code ec;
        // Read-only sub-folders left by a test must not stop the clean-up.
        for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
            if (e.is_directory(ec))
                std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }

    // Path of name inside the folder; always ends in "/" when name does.
    [[nodiscard]] std::string operator/(const std::string& name) const { return path_.string() + "/" + name; }
    [[nodiscard]] std::string folder() const { return path_.string() + "/"; }
    // The folder itself, without a trailing "/".
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Runs check in a child process. When the tests run as root (which may write anywhere), the
// child first drops to the unprivileged user 65534 so that permissions apply to it; the
// scratch folder must then be reachable for that user. Returns check's answer, or
// std::nullopt when the child could not be run.
inline std::optional<bool> runUnprivileged(const std::function<bool()>& check)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

} // namespace pagolux::test
