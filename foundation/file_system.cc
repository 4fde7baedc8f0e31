#include "foundation/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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

// Closing the file releases its flock.
class PosixLock final : public HeldLock {
 public:
  explicit PosixLock(int fd) : fd_(fd) {}

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

std::string TemporaryNameFor(const std::string& path) { return path + kTemporaryMark + std::to_string(::getpid()); }

namespace {

// Large enough that a line-by-line export costs few writes; a larger block is written
// as it comes, in one call.
constexpr std::size_t kGatherBytes = 64 * 1024;

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

ReplacementFile::ReplacementFile(FileSystem& fs, std::string path, unsigned mode)
    : ReplacementFile(fs, path, TemporaryNameFor(path), mode) {}

ReplacementFile::ReplacementFile(FileSystem& fs, std::string path, std::string temporary, unsigned mode)
    : fs_(fs), path_(std::move(path)), tmp_(std::move(temporary)) {
  errno = 0;
  file_ = fs_.Create(tmp_, mode);
  if (!file_) Fail("cannot create", tmp_);
}

ReplacementFile::~ReplacementFile() { Discard(); }

void ReplacementFile::Fail(const char* what, const std::string& path) {
  // errno is that of the failed call on the real file system; other ones may not set it.
  const int err = errno == 0 ? EIO : errno;
  if (error_.empty()) error_ = std::string(what) + " '" + path + "': " + std::strerror(err);
}

void ReplacementFile::Discard() {
  if (file_) {
    file_.reset();
    (void)fs_.Remove(tmp_);
  }
}

bool ReplacementFile::Flush() {
  if (pending_.empty()) return true;
  errno = 0;
  const bool ok = file_->WriteAt(written_, pending_);
  written_ += static_cast<std::int64_t>(pending_.size());
  pending_.clear();
  if (!ok) Fail("cannot write", path_);
  return ok;
}

bool ReplacementFile::Write(std::span<const std::uint8_t> data) {
  if (!ok()) return false;
  if (pending_.size() + data.size() > kGatherBytes && !Flush()) return false;
  if (data.size() < kGatherBytes) {
    pending_.insert(pending_.end(), data.begin(), data.end());
    return true;
  }
  errno = 0;
  const bool written = file_->WriteAt(written_, data);
  written_ += static_cast<std::int64_t>(data.size());
  if (!written) Fail("cannot write", path_);
  return written;
}

bool ReplacementFile::Write(std::string_view data) {
  return Write(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
}

bool ReplacementFile::Commit() {
  if (!file_) {
    if (error_.empty()) error_ = "'" + path_ + "' was already written";
    return false;
  }
  bool ok = error_.empty() && Flush();
  if (ok) {
    errno = 0;
    ok = file_->Sync();
    if (!ok) Fail("cannot write", path_);
  }
  file_.reset();
  if (ok) {
    errno = 0;
    ok = fs_.Rename(tmp_, path_);
    if (!ok) Fail("cannot replace", path_);
  }
  if (!ok) {
    (void)fs_.Remove(tmp_);
    return false;
  }
  (void)fs_.SyncFolder(FolderOf(path_));
  return true;
}

bool WriteFileAtomic(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> data, std::string* error,
                     unsigned mode) {
  ReplacementFile out(fs, path, mode);
  if (!out.Write(data) || !out.Commit()) {
    if (error) *error = out.error();
    return false;
  }
  return true;
}

bool WriteFileAtomic(FileSystem& fs, const std::string& path, std::string_view text, std::string* error,
                     unsigned mode) {
  return WriteFileAtomic(fs, path,
                         std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                         error, mode);
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(FileSystem& fs, const std::string& path, std::size_t max_size,
                                                       std::string* error) {
  errno = 0;
  std::unique_ptr<File> f = fs.Open(path, false, nullptr);
  const std::int64_t size = f ? f->Size() : -1;
  if (size < 0) {
    if (error) *error = "cannot open '" + path + "': " + std::strerror(errno == 0 ? EIO : errno);
    return std::nullopt;
  }
  if (static_cast<std::uint64_t>(size) > max_size) {
    if (error) *error = "file '" + path + "' is larger than " + std::to_string(max_size) + " bytes";
    return std::nullopt;
  }
  // One byte more than the size: a file that grew meanwhile is caught, not cut.
  std::vector<std::uint8_t> out(static_cast<std::size_t>(size) + 1);
  const long n = f->ReadAt(0, out);
  if (n < 0 || static_cast<std::uint64_t>(n) > max_size) {
    if (error)
      *error = n < 0 ? "cannot read '" + path + "'"
                     : "file '" + path + "' is larger than " + std::to_string(max_size) + " bytes";
    return std::nullopt;
  }
  out.resize(static_cast<std::size_t>(n));
  return out;
}

bool FileSystem::ReplaceWhole(const std::string& path, std::span<const std::uint8_t> data) {
  ReplacementFile out(*this, path, path + ".tmp", kModeAnyone);
  return out.Write(data) && out.Commit();
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

std::unique_ptr<File> PosixFileSystem::Create(const std::string& path, unsigned mode) {
  // A new file in place of the old name: a link of that name is removed, never written
  // through.
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && ::unlink(path.c_str()) != 0) return nullptr;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode));
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

LockResult PosixFileSystem::TryLock(const std::string& path, LockMode mode, std::unique_ptr<HeldLock>* lock,
                                    std::string* error) {
  const bool exclusive = mode == LockMode::kExclusive;
  const int fd = exclusive ? ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kModeAnyone)
                           : ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = "cannot open the lock file " + path + ": " + std::strerror(errno);
    return LockResult::kError;
  }
  auto held = std::make_unique<PosixLock>(fd);
  if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    const int err = errno;
    if (err == EWOULDBLOCK || err == EINTR) return LockResult::kBusy;
    if (error) *error = "cannot lock " + path + ": " + std::strerror(err);
    return LockResult::kError;
  }
  *lock = std::move(held);
  return LockResult::kHeld;
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

std::unique_ptr<File> FaultFileSystem::Create(const std::string& path, unsigned mode) {
  bool ok = true;
  if (!Next(&ok)) {
    if (!ok) return nullptr;
    return std::make_unique<VanishedFile>();  // crashed: the file never appears
  }
  auto f = base_.Create(path, mode);
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
