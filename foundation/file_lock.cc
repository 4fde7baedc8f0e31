#include "foundation/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "foundation/clock.h"

namespace sq {
namespace {

constexpr std::int64_t kRetryMs = 20;

}  // namespace

FileLock::Result FileLock::Acquire(const std::string& path, Clock& clock, std::int64_t wait_ms, std::string* error) {
  Release();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) {
    if (error) *error = "cannot open the lock file " + path + ": " + std::strerror(errno);
    return Result::kError;
  }
  const std::int64_t start = clock.MonotonicMs();
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      return Result::kHeld;
    }
    const int err = errno;
    if (err != EWOULDBLOCK && err != EINTR) {
      ::close(fd);
      if (error) *error = "cannot lock " + path + ": " + std::strerror(err);
      return Result::kError;
    }
    const std::int64_t waited = clock.MonotonicMs() - start;
    if (waited >= wait_ms) break;
    clock.SleepMs(std::min(kRetryMs, wait_ms - waited));
  }
  ::close(fd);
  if (error) *error = "another program holds " + path;
  return Result::kBusy;
}

void FileLock::Release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace sq
