#include "foundation/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::span<const std::uint8_t> data, std::string* error) {
  std::string tmp = path + ".tmp-" + std::to_string(::getpid());
  {
    Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0) {
      SetError(error, "cannot create", tmp, errno);
      return false;
    }
    std::size_t done = 0;
    while (done < data.size()) {
      ssize_t n = ::write(fd.get(), data.data() + done, data.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        int err = errno;
        ::unlink(tmp.c_str());
        SetError(error, "cannot write", tmp, err);
        return false;
      }
      done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0 || ::close(fd.release()) != 0) {
      int err = errno;
      ::unlink(tmp.c_str());
      SetError(error, "cannot write", tmp, err);
      return false;
    }
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    SetError(error, "cannot replace", path, err);
    return false;
  }
  Fd dir(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

bool WriteFileAtomic(const std::string& path, const std::string& text, std::string* error) {
  return WriteFileAtomic(
      path, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), error);
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
