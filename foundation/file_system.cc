#include "foundation/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

namespace sq {
namespace {

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) noexcept : fd_(fd) {}
  UniqueFd(UniqueFd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] int get() const noexcept { return fd_; }

 private:
  int fd_;
};

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}

  long ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override {
    std::size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = ::pread(fd_.get(), out.data() + done, out.size() - done,
                                static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
      if (n < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
  }

  bool WriteAt(std::int64_t offset, std::span<const std::uint8_t> data) override {
    std::size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::pwrite(fd_.get(), data.data() + done, data.size() - done,
                                 static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (n == 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  std::int64_t Size() override {
    struct stat st;
    if (::fstat(fd_.get(), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
  }

  bool Sync() override { return ::fdatasync(fd_.get()) == 0; }

 private:
  UniqueFd fd_;
};

// A file whose writes go through the fault schedule of its file system.
class FaultFile final : public File {
 public:
  FaultFile(FaultFileSystem& fs, std::unique_ptr<File> base) : fs_(fs), base_(std::move(base)) {}
  long ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override { return base_->ReadAt(offset, out); }
  bool WriteAt(std::int64_t offset, std::span<const std::uint8_t> data) override {
    bool ok = true;
    if (!fs_.Next(&ok)) return ok;
    return base_->WriteAt(offset, data);
  }
  std::int64_t Size() override { return base_->Size(); }
  bool Sync() override { return base_->Sync(); }

 private:
  FaultFileSystem& fs_;
  std::unique_ptr<File> base_;
};

// What a crashed process "creates": nothing reaches the disk.
class VanishedFile final : public File {
 public:
  long ReadAt(std::int64_t, std::span<std::uint8_t>) override { return 0; }
  bool WriteAt(std::int64_t, std::span<const std::uint8_t>) override { return true; }
  std::int64_t Size() override { return 0; }
  bool Sync() override { return true; }
};

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool FileSystem::ReplaceWhole(const std::string& path, std::span<const std::uint8_t> data) {
  const std::string tmp = path + ".tmp";
  {
    std::unique_ptr<File> f = Create(tmp);
    if (!f) return false;
    if (!f->WriteAt(0, data) || !f->Sync()) {
      (void)Remove(tmp);
      return false;
    }
  }
  if (!Rename(tmp, path)) {
    (void)Remove(tmp);
    return false;
  }
  const auto slash = path.find_last_of('/');
  (void)SyncFolder(slash == std::string::npos ? std::string(".") : path.substr(0, slash));
  return true;
}

FileSystem& DefaultFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

std::unique_ptr<File> PosixFileSystem::Open(const std::string& path, bool writable, OpenError* error) {
  // Writes happen in place: a link planted in the folder must not lead them elsewhere.
  const int fd = ::open(path.c_str(), (writable ? O_RDWR | O_NOFOLLOW : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) {
    if (error) {
      *error = errno == ENOENT                                         ? OpenError::kNotFound
               : (writable && errno == ELOOP)                          ? OpenError::kLink
               : (errno == EACCES || errno == EROFS || errno == EPERM) ? OpenError::kAccessDenied
                                                                       : OpenError::kOther;
    }
    return nullptr;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    if (error) *error = OpenError::kOther;
    return nullptr;
  }
  if (error) *error = OpenError::kNone;
  return std::make_unique<PosixFile>(fd);
}

std::unique_ptr<File> PosixFileSystem::Create(const std::string& path) {
  // A new file in place of the old name: a link of that name is removed, never written
  // through.
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && ::unlink(path.c_str()) != 0) return nullptr;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixFile>(fd);
}

bool PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool PosixFileSystem::Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool PosixFileSystem::Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool PosixFileSystem::List(const std::string& folder, std::vector<std::string>* names) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  names->clear();
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (::stat(JoinPath(folder, name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      names->push_back(name);
    }
  }
  ::closedir(dir);
  return true;
}

bool PosixFileSystem::SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  UniqueFd guard(fd);
  return ::fsync(fd) == 0;
}

bool FaultFileSystem::Next(bool* ok) {
  if (mode_ == Mode::kNone) return true;
  ++count_;
  if (mode_ == Mode::kFail) {
    if (count_ == target_) {
      *ok = false;
      return false;
    }
    return true;
  }
  if (count_ >= target_) {
    *ok = true;  // the crashed process never learns; nothing reaches the disk
    return false;
  }
  return true;
}

std::unique_ptr<File> FaultFileSystem::Open(const std::string& path, bool writable, OpenError* error) {
  auto f = base_.Open(path, writable, error);
  if (!f) return nullptr;
  return std::make_unique<FaultFile>(*this, std::move(f));
}

std::unique_ptr<File> FaultFileSystem::Create(const std::string& path) {
  bool ok = true;
  if (!Next(&ok)) {
    if (!ok) return nullptr;
    return std::make_unique<VanishedFile>();  // crashed: the file never appears
  }
  auto f = base_.Create(path);
  if (!f) return nullptr;
  return std::make_unique<FaultFile>(*this, std::move(f));
}

bool FaultFileSystem::Rename(const std::string& from, const std::string& to) {
  bool ok = true;
  if (!Next(&ok)) return ok;
  return base_.Rename(from, to);
}

bool FaultFileSystem::Remove(const std::string& path) {
  bool ok = true;
  if (!Next(&ok)) return ok;
  return base_.Remove(path);
}

}  // namespace sq
