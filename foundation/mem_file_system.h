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
  std::unique_ptr<File> Create(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override { return files_.count(path) != 0; }
  bool List(const std::string& folder, std::vector<std::string>* names) override;
  bool SyncFolder(const std::string&) override { return true; }

  // Files by full path; the contents are shared with open files.
  std::map<std::string, std::shared_ptr<Bytes>>& files() { return files_; }

 private:
  std::map<std::string, std::shared_ptr<Bytes>> files_;
};

}  // namespace sq
