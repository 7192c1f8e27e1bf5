#pragma once
// Lowers this process's file-size limit (RLIMIT_FSIZE) while the test needs it, so that writes
// beyond it fail with EFBIG, as on a full disk, without special rights. SIGXFSZ is ignored
// meanwhile (it would end the test run); both are put back as they were.

#include <csignal>
#include <stdexcept>
#include <sys/resource.h>

namespace pagolux::test {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        if (::getrlimit(RLIMIT_FSIZE, &saved_) != 0)
            throw std::runtime_error("getrlimit failed");
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        if (::setrlimit(RLIMIT_FSIZE, &lowered) != 0)
            throw std::runtime_error("setrlimit failed");
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

} // namespace pagolux::test
