// A file system held in memory, for fuzzing and tests that need no disk. Folders are
// implied by the paths; every file lives in the map under its full path.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/file_system.h"

namespace sq {

class MemFileSystem final : public FileSystem {
 public:
  using Bytes = std::vector<std::uint8_t>;

  std::unique_ptr<File> Open(const std::string& path, bool writable, OpenError* error) override;
  std::unique_ptr<File> Create(const std::string& path, unsigned mode) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override { return files_.count(path) != 0; }
  bool List(const std::string& folder, std::vector<std::string>* names) override;
  bool SyncFolder(const std::string&) override { return true; }
  LockResult TryLock(const std::string& path, LockMode mode, std::unique_ptr<HeldLock>* lock,
                     std::string* error) override;

  // Files by full path; the contents are shared with open files.
  std::map<std::string, std::shared_ptr<Bytes>>& files() { return files_; }

 private:
  class MemLock;
  // Holders of each lock file: exclusive and shared ones; shared with the held locks,
  // which may outlive the file system.
  struct LockCount {
    int exclusive = 0;
    int shared = 0;
  };
  using LockTable = std::map<std::string, LockCount>;

  std::map<std::string, std::shared_ptr<Bytes>> files_;
  std::shared_ptr<LockTable> locks_ = std::make_shared<LockTable>();
};

}  // namespace sq
