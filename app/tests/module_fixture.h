// A program folder with an "Expansion_Modules" folder for the module tests, and the
// test modules built from examples/modules/sample_module.c.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/event_manager.h"
#include "app/module_host.h"
#include "app/module_list.h"
#include "app/module_manager.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq::test {

class ModuleFolder {
 public:
  ModuleFolder() : folder_(home_ / kModuleFolderName) {
    std::filesystem::create_directories(folder_);
    ::chmod(folder_.c_str(), 0755);
  }
  ~ModuleFolder() {
    Modules().UnloadModules();
    evtManager.Clear();
    ModuleHost::Get().Reset();
  }
  // Copies test module `name` (without ".so") into the module folder as `as`.
  void Install(const std::string& name, std::string as = {}) {
    if (as.empty()) as = name + ".so";
    const std::string to = folder_ + "/" + as;
    std::filesystem::copy_file(std::string(SQ_TEST_MODULE_DIR) + "/" + name + ".so", to,
                               std::filesystem::copy_options::overwrite_existing);
    ::chmod(to.c_str(), 0755);
  }
  void WriteList(const std::string& text) { testing::WriteText(List(), text); }
  std::string List() const { return folder_ + "/" + kModuleListName; }
  std::string Backup() const { return folder_ + "/" + kModuleListBackupName; }
  // Loads with the log collected in `log`.
  int Load() {
    log.clear();
    return Modules().LoadModules(home_.str(), [this](std::string_view text, std::string_view title) {
      log.emplace_back(std::string(title) + ": " + std::string(text));
    });
  }
  std::vector<std::string> ListLines() const {
    std::vector<std::string> lines;
    std::stringstream s(testing::ReadText(List()));
    for (std::string l; std::getline(s, l);) lines.push_back(l);
    return lines;
  }
  const std::string& home() const { return home_str_ = home_.str(), home_str_; }
  const std::string& folder() const { return folder_; }

  std::vector<std::string> log;

 private:
  testing::TempDir home_;
  std::string folder_;
  mutable std::string home_str_;
};

}  // namespace sq::test
