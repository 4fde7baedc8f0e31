#include "database/writer_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "database/file_io.h"

namespace sq {

bool WriterLock::Acquire(const std::string& folder, std::string* error) {
  Release();
  const std::string path = JoinPath(folder, kWriterLockFileName);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error) *error = "cannot open the lock file " + path + ": " + std::strerror(errno);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    if (error) {
      *error = err == EWOULDBLOCK
                   ? "another program is writing to the station folder " + folder + "; try again when it has finished"
                   : "cannot lock the station folder " + folder + ": " + std::strerror(err);
    }
    return false;
  }
  fd_ = fd;
  return true;
}

void WriterLock::Release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace sq
