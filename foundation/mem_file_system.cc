#include "foundation/mem_file_system.h"

#include <algorithm>
#include <cstring>

namespace sq {
namespace {

constexpr std::int64_t kMaxMemFileSize = std::int64_t{1} << 30;

class MemFile final : public File {
 public:
  explicit MemFile(std::shared_ptr<MemFileSystem::Bytes> bytes) : bytes_(std::move(bytes)) {}
  long ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override {
    if (offset < 0) return -1;
    const auto size = static_cast<std::int64_t>(bytes_->size());
    if (offset >= size) return 0;
    const auto n =
        static_cast<std::size_t>(std::min<std::int64_t>(size - offset, static_cast<std::int64_t>(out.size())));
    std::memcpy(out.data(), bytes_->data() + offset, n);
    return static_cast<long>(n);
  }
  bool WriteAt(std::int64_t offset, std::span<const std::uint8_t> data) override {
    if (offset < 0 || offset + static_cast<std::int64_t>(data.size()) > kMaxMemFileSize) return false;
    const auto end = static_cast<std::size_t>(offset) + data.size();
    if (bytes_->size() < end) bytes_->resize(end);
    if (!data.empty()) std::memcpy(bytes_->data() + offset, data.data(), data.size());
    return true;
  }
  std::int64_t Size() override { return static_cast<std::int64_t>(bytes_->size()); }
  bool Sync() override { return true; }

 private:
  std::shared_ptr<MemFileSystem::Bytes> bytes_;
};

}  // namespace

// Counts itself among the holders of its lock file while it lives.
class MemFileSystem::MemLock final : public HeldLock {
 public:
  MemLock(std::shared_ptr<LockTable> table, std::string path, LockMode mode)
      : table_(std::move(table)), path_(std::move(path)), mode_(mode) {
    Count(+1);
  }
  ~MemLock() override { Count(-1); }

 private:
  void Count(int step) {
    LockCount& c = (*table_)[path_];
    (mode_ == LockMode::kExclusive ? c.exclusive : c.shared) += step;
  }

  std::shared_ptr<LockTable> table_;
  std::string path_;
  LockMode mode_;
};

LockResult MemFileSystem::TryLock(const std::string& path, LockMode mode, std::unique_ptr<HeldLock>* lock,
                                  std::string* error) {
  if (files_.count(path) == 0) {
    if (mode == LockMode::kShared) {
      if (error) *error = "cannot open the lock file " + path + ": No such file or directory";
      return LockResult::kError;
    }
    files_[path] = std::make_shared<Bytes>();
  }
  const LockCount& c = (*locks_)[path];
  if (c.exclusive > 0 || (mode == LockMode::kExclusive && c.shared > 0)) return LockResult::kBusy;
  *lock = std::make_unique<MemLock>(locks_, path, mode);
  return LockResult::kHeld;
}

std::unique_ptr<File> MemFileSystem::Open(const std::string& path, bool, OpenError* error) {
  auto it = files_.find(path);
  if (it == files_.end()) {
    if (error) *error = OpenError::kNotFound;
    return nullptr;
  }
  if (error) *error = OpenError::kNone;
  return std::make_unique<MemFile>(it->second);
}

std::unique_ptr<File> MemFileSystem::Create(const std::string& path, unsigned) {
  auto bytes = std::make_shared<Bytes>();
  files_[path] = bytes;
  return std::make_unique<MemFile>(bytes);
}

bool MemFileSystem::Rename(const std::string& from, const std::string& to) {
  auto it = files_.find(from);
  if (it == files_.end()) return false;
  auto bytes = it->second;
  files_.erase(it);
  files_[to] = bytes;
  return true;
}

bool MemFileSystem::Remove(const std::string& path) { return files_.erase(path) != 0; }

bool MemFileSystem::List(const std::string& folder, std::vector<std::string>* names) {
  names->clear();
  const std::string prefix = JoinPath(folder, "");
  for (const auto& [path, bytes] : files_) {
    if (path.compare(0, prefix.size(), prefix) == 0 && path.find('/', prefix.size()) == std::string::npos) {
      names->push_back(path.substr(prefix.size()));
    }
  }
  return true;
}

}  // namespace sq
