#include "foundation/file_util.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

namespace sq {
namespace {

class Fd {
 public:
  explicit Fd(int fd) noexcept : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const noexcept { return fd_; }
  int release() noexcept { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

void SetError(std::string* error, const std::string& what, const std::string& path, int err) {
  if (error) *error = what + " '" + path + "': " + std::strerror(err);
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::span<const std::uint8_t> data, std::string* error) {
  return WriteFileAtomic(DefaultFileSystem(), path, data, error);
}

int RemoveStaleTemporaryFiles(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::vector<std::string> stale;
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name(e->d_name);
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string_view::npos || mark == 0) continue;
    const std::string_view digits = name.substr(mark + std::strlen(kTemporaryMark));
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      continue;
    }
    const pid_t pid = static_cast<pid_t>(std::stol(std::string(digits)));
    if (pid <= 0 || pid == ::getpid()) continue;
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;  // running (or not ours to judge)
    stale.emplace_back(name);
  }
  ::closedir(dir);
  int removed = 0;
  for (const std::string& name : stale) {
    const std::string path = folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}

bool WriteFileAtomic(const std::string& path, const std::string& text, std::string* error) {
  return WriteFileAtomic(DefaultFileSystem(), path, std::string_view(text), error);
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::size_t max_size,
                                                       std::string* error) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    SetError(error, "cannot open", path, errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    SetError(error, "cannot read", path, errno);
    return std::nullopt;
  }
  if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > max_size) {
    if (error) *error = "file '" + path + "' is larger than " + std::to_string(max_size) + " bytes";
    return std::nullopt;
  }
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(st.st_size));
  std::uint8_t buf[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetError(error, "cannot read", path, errno);
      return std::nullopt;
    }
    if (n == 0) break;
    if (out.size() + static_cast<std::size_t>(n) > max_size) {
      if (error) *error = "file '" + path + "' is larger than " + std::to_string(max_size) + " bytes";
      return std::nullopt;
    }
    out.insert(out.end(), buf, buf + n);
  }
  return out;
}

}  // namespace sq
