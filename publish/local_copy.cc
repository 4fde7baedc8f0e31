#include "publish/local_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "foundation/file_util.h"

namespace sq {
namespace {

namespace fs = std::filesystem;

// An open descriptor, closed when it goes.
struct Fd {
  int fd;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
};

int CopyOnce(const std::string& from, const std::string& to) {
  Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.fd < 0) return errno == ENOENT ? EIO : errno;  // a missing source is no missing folder
  const std::string temporary = TemporaryNameFor(to);
  Fd out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
  if (out.fd < 0) return errno;
  char buf[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(in.fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      ::unlink(temporary.c_str());
      return e;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out.fd, buf + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        const int e = w < 0 ? errno : EIO;
        ::unlink(temporary.c_str());
        return e;
      }
      done += w;
    }
  }
  const int closed = ::close(out.fd);
  out.fd = -1;
  if (closed != 0 || ::rename(temporary.c_str(), to.c_str()) != 0) {
    const int e = errno;
    ::unlink(temporary.c_str());
    return e;
  }
  return 0;
}

// Makes the missing levels of `folder`, one at a time from the top.
bool MakeLevels(const fs::path& folder, std::string* failed) {
  fs::path built;
  int levels = 0;
  for (const auto& part : folder) {
    built /= part;
    if (part == built.root_path() || part.empty()) continue;
    if (++levels > kLocalCopyMaxLevels) {
      *failed = built.string();
      return false;
    }
    if (::mkdir(built.c_str(), 0755) != 0 && errno != EEXIST) {
      *failed = built.string();
      return false;
    }
  }
  return true;
}

}  // namespace

int CopyFileReplacing(const std::string& from, const std::string& to, std::string* failed_folder) {
  int e = CopyOnce(from, to);
  if (e != ENOENT) return e;
  const fs::path parent = fs::path(to).parent_path();
  if (parent.empty() || !MakeLevels(parent, failed_folder)) return ENOENT;
  return CopyOnce(from, to);
}

}  // namespace sq
