#include "database/writer_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "database/file_io.h"
#include "database/month_file.h"
#include "foundation/file_util.h"

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
  RemoveStaleFiles(folder);
  return true;
}

void WriterLock::RemoveStaleFiles(const std::string& folder) {
  (void)RemoveStaleTemporaryFiles(folder);
  // A month rewrite's temporary file is written only under this lock: now that we hold
  // it, one that is still there was left by a writer that died.
  std::vector<std::string> names;
  if (!DefaultFileSystem().List(folder, &names)) return;
  for (const std::string& name : names) {
    constexpr std::string_view kTmp = ".tmp";
    if (name.size() > kTmp.size() && name.ends_with(kTmp) && IsMonthFileName(name.substr(0, name.size() - kTmp.size()))) {
      (void)DefaultFileSystem().Remove(JoinPath(folder, name));
    }
  }
}

void WriterLock::Release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace sq
