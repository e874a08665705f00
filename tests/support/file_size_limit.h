// Makes every file this process writes stop at a given size while the object lives: writes
// beyond it fail with "File too large", as a full disk makes them fail with "No space left on
// device". For the tests of writers that must leave the old file whole.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace zvtest {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        // Without this the first write beyond the limit would end the process.
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

  private:
    rlimit previous_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

} // namespace zvtest
