// Expansion modules: loading the libraries listed in "Expansion_Modules/ModuleList.dat"
// at start-up, the program-wide table of their commands, their menu entries, running a
// command, and releasing everything at shut-down.
//
// Loading never stops start-up: a module that fails is logged (titled "Stratoquill
// Startup"), released and disabled in the list. Modules are loaded only from the module
// folder, never from another path: a list entry naming a path, a symbolic link, or a
// file or folder that other users may write to is refused like a faulty module.
//
// Libraries are opened through ModuleLibraries (dlopen in the program, a fake in tests).
// Entry points and command functions are plain C functions (see stratoquill/module.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "stratoquill/module.h"

namespace sq {

// Opening shared libraries and looking up their symbols.
class ModuleLibraries {
 public:
  virtual ~ModuleLibraries() = default;
  // The library's handle, or nullptr with `*error` (a system error number) and
  // `*detail` (the loader's own words) set.
  virtual void* Open(const std::string& path, int* error, std::string* detail) = 0;
  virtual void* Symbol(void* handle, const char* name) = 0;
  virtual void Close(void* handle) = 0;
};
// dlopen(RTLD_NOW | RTLD_LOCAL), dlsym, dlclose.
ModuleLibraries& SystemModuleLibraries();

// An open library, closed when the object goes.
class ModuleLibrary {
 public:
  ModuleLibrary() = default;
  ModuleLibrary(ModuleLibraries* libs, void* handle) : libs_(libs), handle_(handle) {}
  ModuleLibrary(ModuleLibrary&& o) noexcept : libs_(o.libs_), handle_(std::exchange(o.handle_, nullptr)) {}
  ModuleLibrary& operator=(ModuleLibrary&& o) noexcept;
  ~ModuleLibrary() { Reset(); }
  void Reset();
  [[nodiscard]] void* get() const { return handle_; }
  [[nodiscard]] void* Symbol(const char* name) const { return handle_ ? libs_->Symbol(handle_, name) : nullptr; }

 private:
  ModuleLibraries* libs_ = nullptr;
  void* handle_ = nullptr;
};

struct ModuleInfo {
  std::uint32_t id = 0;
  std::uint32_t version = 0;
  std::string file_name;
  ModuleLibrary library;
  SqModuleCapsFn caps = nullptr;
  SqModuleStrsFn strs = nullptr;
  SqModuleInitFn init = nullptr;
  int first_command = 0;  // index of its first command in the command table
  int commands = 0;
  int caps6 = 0;
  std::string description;
};

struct CommandPtrs {
  std::uint32_t module_id = 0;
  int index = 0;  // within the module
  std::string function_name;
  SqModuleCommandFn function = nullptr;  // nullptr when the module lacks the named export
};

// An entry a module added to the menus.
struct ModuleMenuItem {
  std::uint32_t module_id = 0;
  int location = 0;
  std::string text;
  int command_number = 0;  // 42000 + first command + index; 0 for a separator
  int command_index = 0;
  bool separator = false;
};

// What one loading pass did with each line of the list (for `stratoquill modules`).
struct ModuleLoadResult {
  std::string file_name;
  bool loaded = false;
  bool disabled = false;  // skipped: disabled in the list
  std::string message;    // the logged failure, if any
};

inline constexpr int kFirstModuleCommand = 42000;
inline constexpr int kLastModuleCommand = 45999;
inline constexpr int kMaxModuleCommands = kLastModuleCommand - kFirstModuleCommand + 1;

// AddMenuCommand results.
inline constexpr int kMenuOk = 0;
inline constexpr int kMenuUnknownModule = -1;
inline constexpr int kMenuBadIndex = -2;
inline constexpr int kMenuBadLocation = -3;

// Name of a menu location as the command listing groups it; empty for an unknown code.
[[nodiscard]] std::string_view MenuLocationName(int location);

class ModuleManager {
 public:
  // `log` writes one line into the download log (text, title).
  using LogFn = std::function<void(std::string_view text, std::string_view title)>;

  explicit ModuleManager(ModuleLibraries& libs = SystemModuleLibraries()) : libs_(&libs) {}
  ~ModuleManager() { UnloadModules(); }
  ModuleManager(const ModuleManager&) = delete;
  ModuleManager& operator=(const ModuleManager&) = delete;

  void SetLibraries(ModuleLibraries& libs) { libs_ = &libs; }

  // Loads the modules of `program_folder`/Expansion_Modules (made when missing). Returns
  // the number of modules loaded.
  int LoadModules(const std::string& program_folder, const LogFn& log);
  // Init(4) and release for every module; clears the tables and the modules' events.
  void UnloadModules();

  int AddMenuCommand(int module_id, int location, const char* text, int command_index);
  // Runs command `command_number` (42000..45999). "Command Index out of range!" for a
  // number outside the table. 0 when the command ran, -1 otherwise.
  int ExecuteModuleCommand(int command_number);

  // True while a module command runs (the scheduler starts no job meanwhile).
  [[nodiscard]] bool CommandRunning() const { return command_running_; }

  [[nodiscard]] const std::vector<ModuleInfo>& modules() const { return modules_; }
  [[nodiscard]] const std::vector<CommandPtrs>& commands() const { return commands_; }
  [[nodiscard]] const std::vector<ModuleMenuItem>& menu_items() const { return menu_; }
  [[nodiscard]] const std::vector<ModuleLoadResult>& load_results() const { return results_; }
  // The descriptions of the loaded modules, each followed by a line break.
  [[nodiscard]] const std::string& descriptions() const { return descriptions_; }
  [[nodiscard]] const ModuleInfo* FindModule(std::uint32_t id) const;
  [[nodiscard]] const ModuleInfo* FindModuleByFile(std::string_view file_name) const;

 private:
  enum class Step { kOk, kEarly, kLate };
  Step LoadOne(const std::string& folder, const std::string& name, bool* list_changed, ModuleInfo* out,
               std::string* message);
  void Release(ModuleInfo& m);
  bool LogLine(const std::string& text);

  ModuleLibraries* libs_;
  std::vector<ModuleInfo> modules_;
  std::vector<CommandPtrs> commands_;
  std::vector<ModuleMenuItem> menu_;
  std::vector<ModuleLoadResult> results_;
  std::string descriptions_;
  bool command_running_ = false;
  // The module whose Init(1) runs: it may already add its menu entries.
  const ModuleInfo* loading_ = nullptr;
  std::uint32_t loading_id_ = 0;
  LogFn log_;
};

// The program-wide module manager.
ModuleManager& Modules();

// Checks that `path` is a file (not a link) owned by this user or root and not writable
// by other users, in a folder of the same kind. Empty when it may be loaded, else why not.
[[nodiscard]] std::string ModuleFileProblem(const std::string& folder, const std::string& file_name);

}  // namespace sq
