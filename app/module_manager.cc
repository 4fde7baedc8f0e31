#include "app/module_manager.h"

#include <dlfcn.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/event_manager.h"
#include "app/format_text.h"
#include "app/messages.h"
#include "app/module_host.h"
#include "app/module_list.h"
#include "foundation/file_util.h"
#include "resources/string_table.h"

namespace sq {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kStartupTitle = 47800;
constexpr std::uint32_t kUnableToLoad = 47801;
constexpr std::uint32_t kNoCapsAddress = 47802;
constexpr std::uint32_t kNoStrsAddress = 47803;
constexpr std::uint32_t kNoInitAddress = 47804;
constexpr std::uint32_t kSameId = 47805;
constexpr std::uint32_t kNeedsHigherVersion = 47806;
constexpr std::uint32_t kNoCommandsAddress = 47807;
constexpr std::uint32_t kUnableToInit = 47808;
constexpr std::uint32_t kCommandOutOfRange = 47809;
constexpr std::uint32_t kUnsafeModule = 47810;
constexpr std::uint32_t kTooManyCommands = 47811;
constexpr std::uint32_t kMissingCommand = 47812;
constexpr std::uint32_t kLoaderSays = 47813;
constexpr std::uint32_t kBadFileName = 47814;

constexpr std::size_t kMaxListSize = 1 << 20;

class DlLibraries final : public ModuleLibraries {
 public:
  void* Open(const std::string& path, int* error, std::string* detail) override {
    errno = 0;
    void* h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) {
      *error = errno;
      const char* why = ::dlerror();
      *detail = why ? why : "";
    }
    return h;
  }
  void* Symbol(void* handle, const char* name) override {
    (void)::dlerror();
    return ::dlsym(handle, name);
  }
  void Close(void* handle) override { (void)::dlclose(handle); }
};

// The module folder and its files must be ours: owned by this user (or root), and not
// writable by anyone else. A group-writable file is accepted only in a user's private
// group (the group named like its owner).
std::string OwnershipProblem(const std::string& path, bool want_dir) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return FormatText("'%s' cannot be read: %s", path, std::strerror(errno));
  if (S_ISLNK(st.st_mode)) return FormatText("'%s' is a symbolic link", path);
  if (want_dir ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) {
    return FormatText(want_dir ? "'%s' is not a folder" : "'%s' is not a plain file", path);
  }
  if (st.st_uid != ::geteuid() && st.st_uid != 0) return FormatText("'%s' belongs to another user", path);
  if (st.st_mode & S_IWOTH) return FormatText("'%s' may be written by every user", path);
  if (st.st_mode & S_IWGRP) {
    const passwd* pw = ::getpwuid(st.st_uid);
    const group* gr = ::getgrgid(st.st_gid);
    if (pw == nullptr || gr == nullptr || std::string(pw->pw_name) != gr->gr_name) {
      return FormatText("'%s' may be written by the users of its group", path);
    }
  }
  return {};
}

std::string Title() { return std::string(LoadString(kStartupTitle)); }

}  // namespace

ModuleLibraries& SystemModuleLibraries() {
  static DlLibraries libs;
  return libs;
}

ModuleLibrary& ModuleLibrary::operator=(ModuleLibrary&& o) noexcept {
  if (this != &o) {
    Reset();
    libs_ = o.libs_;
    handle_ = std::exchange(o.handle_, nullptr);
  }
  return *this;
}

void ModuleLibrary::Reset() {
  if (handle_ != nullptr) libs_->Close(std::exchange(handle_, nullptr));
}

std::string_view MenuLocationName(int location) {
  switch (location) {
    case 1:
    case 2:
      return "First menu";
    case 11:
    case 12:
      return "Second menu";
    case 21:
      return "Third menu";
    case 31:
      return "Modules menu";
    case 41:
      return "Menu after Modules";
    case 51:
      return "New menu";
    default:
      return {};
  }
}

std::string ModuleFileProblem(const std::string& folder, const std::string& file_name) {
  std::string why = OwnershipProblem(folder, true);
  if (why.empty()) why = OwnershipProblem(folder + "/" + file_name, false);
  return why;
}

ModuleManager& Modules() {
  static ModuleManager manager;
  return manager;
}

const ModuleInfo* ModuleManager::FindModule(std::uint32_t id) const {
  for (const auto& m : modules_) {
    if (m.id == id) return &m;
  }
  return nullptr;
}

const ModuleInfo* ModuleManager::FindModuleByFile(std::string_view file_name) const {
  for (const auto& m : modules_) {
    if (m.file_name == file_name) return &m;
  }
  return nullptr;
}

ModuleManager::Step ModuleManager::LoadOne(const std::string& folder, const std::string& name, bool* list_changed,
                                           ModuleInfo* out, std::string* message) {
  const std::string title = Title();
  auto fail = [&](std::string text, Step step) {
    *message = std::move(text);
    *list_changed = true;
    return step;
  };
  // a. Load the library, from the module folder only.
  if (!ValidModuleFileName(name)) return fail(FormatText(LoadString(kBadFileName), name), Step::kEarly);
  // A missing file is the loader's to report, with its error number.
  std::error_code exists_ec;
  const bool present = fs::exists(fs::symlink_status(folder + "/" + name, exists_ec));
  if (std::string why = present ? ModuleFileProblem(folder, name) : std::string(); !why.empty()) {
    return fail(FormatText(LoadString(kUnsafeModule), name, why), Step::kEarly);
  }
  int error = 0;
  std::string detail;
  void* handle = libs_->Open(folder + "/" + name, &error, &detail);
  if (handle == nullptr) {
    std::string text = FormatText(LoadString(kUnableToLoad), name, error);
    if (!detail.empty()) text += " " + FormatText(LoadString(kLoaderSays), detail);
    return fail(std::move(text), Step::kEarly);
  }
  ModuleInfo m;
  m.file_name = name;
  m.library = ModuleLibrary(libs_, handle);
  // b. The three entry points.
  m.caps = reinterpret_cast<SqModuleCapsFn>(m.library.Symbol("SquillExpModuleCaps"));
  if (m.caps == nullptr) return fail(FormatText(LoadString(kNoCapsAddress), name, errno), Step::kEarly);
  m.strs = reinterpret_cast<SqModuleStrsFn>(m.library.Symbol("SquillExpModuleStrs"));
  if (m.strs == nullptr) return fail(FormatText(LoadString(kNoStrsAddress), name, errno), Step::kEarly);
  m.init = reinterpret_cast<SqModuleInitFn>(m.library.Symbol("SquillExpModuleInit"));
  if (m.init == nullptr) return fail(FormatText(LoadString(kNoInitAddress), name, errno), Step::kEarly);
  // c. A unique identifier.
  m.id = static_cast<std::uint32_t>(m.caps(SQ_CAPS_ID));
  if (FindModule(m.id) != nullptr) return fail(FormatText(LoadString(kSameId), name), Step::kEarly);
  // d. The interface version it needs.
  const auto required = static_cast<std::uint32_t>(m.caps(SQ_CAPS_REQUIRED));
  if (required > SQ_INTERFACE_VERSION) {
    return fail(FormatText(LoadString(kNeedsHigherVersion), name, static_cast<int>(required >> 16),
                           static_cast<int>((required >> 8) & 0xFF), static_cast<int>(required & 0xFF)),
                Step::kEarly);
  }
  // e. Its commands.
  m.version = static_cast<std::uint32_t>(m.caps(SQ_CAPS_VERSION));
  m.caps6 = m.caps(SQ_CAPS_EXTRA);
  m.commands = m.caps(SQ_CAPS_COMMANDS);
  auto commands_fn = reinterpret_cast<SqModuleCommandsFn>(m.library.Symbol("SquillExpModuleCommands"));
  const int room = kMaxModuleCommands - static_cast<int>(commands_.size());
  if (commands_fn == nullptr || m.commands < 0 || m.commands > room) {
    (void)m.init(SQ_INIT_SHUTDOWN);
    if (commands_fn == nullptr) return fail(FormatText(LoadString(kNoCommandsAddress), name, errno), Step::kLate);
    return fail(FormatText(LoadString(kTooManyCommands), name, m.commands, room), Step::kLate);
  }
  // f. Initialise. Menu entries and events it adds meanwhile are its own.
  m.first_command = static_cast<int>(commands_.size());
  loading_id_ = m.id;
  loading_ = &m;
  evtManager.SetOwner(m.id);
  const int ok = m.init(SQ_INIT_START);
  evtManager.SetOwner(0);
  loading_ = nullptr;
  loading_id_ = 0;
  if (ok == 0) {
    evtManager.RemoveEventsOf(m.id);
    std::erase_if(menu_, [&](const ModuleMenuItem& i) { return i.module_id == m.id; });
    return fail(FormatText(LoadString(kUnableToInit), name), Step::kLate);
  }
  // g. Keep it.
  const char* description = m.strs(SQ_STRS_DESCRIPTION);
  m.description = description ? description : "";
  for (int i = 0; i < m.commands; ++i) {
    CommandPtrs c;
    c.module_id = m.id;
    c.index = i;
    const char* fn = commands_fn(i);
    c.function_name = fn ? fn : "";
    if (!c.function_name.empty()) {
      c.function = reinterpret_cast<SqModuleCommandFn>(m.library.Symbol(c.function_name.c_str()));
    }
    if (c.function == nullptr) (void)LogLine(FormatText(LoadString(kMissingCommand), name, c.function_name, i));
    commands_.push_back(std::move(c));
  }
  descriptions_ += m.description;
  descriptions_ += "\n";
  *out = std::move(m);
  return Step::kOk;
}

int ModuleManager::LoadModules(const std::string& program_folder, const LogFn& log) {
  results_.clear();
  log_ = log;
  const std::string folder = program_folder + "/" + kModuleFolderName;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    fs::permissions(folder,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    ec);
  }
  const std::string list_path = folder + "/" + kModuleListName;
  if (!fs::exists(list_path, ec)) {
    log_ = nullptr;
    return 0;
  }
  std::string error;
  const auto bytes = ReadWholeFile(list_path, kMaxListSize, &error);
  if (!bytes) {
    (void)LogLine(error);
    log_ = nullptr;
    return 0;
  }
  const std::string contents(bytes->begin(), bytes->end());
  std::string out;
  bool changed = false;
  int loaded = 0;
  for (const ModuleListLine& line : ParseModuleList(contents)) {
    if (!line.Parsed()) changed = true;
    if (!line.Enabled()) {
      out += line.text + "\n";
      results_.push_back({line.file_name, false, true, {}});
      continue;
    }
    ModuleInfo m;
    std::string message;
    const Step step = LoadOne(folder, line.file_name, &changed, &m, &message);
    ModuleLoadResult result{line.file_name, step == Step::kOk, false, message};
    if (step == Step::kOk) {
      out += FormatModuleListLine(m.file_name, m.id, m.version, true, m.description);
      modules_.push_back(std::move(m));
      ModuleInfo& kept = modules_.back();
      evtManager.SetOwner(kept.id);
      (void)kept.init(SQ_INIT_LOADED);
      evtManager.SetOwner(0);
      ++loaded;
    } else {
      (void)LogLine(message);
      if (step == Step::kLate) {
        out += FormatModuleListLine(line.file_name, m.id ? m.id : line.id, m.version ? m.version : line.version, false,
                                    m.description.empty() ? line.description : m.description);
      } else if (line.Parsed()) {
        out += FormatModuleListLine(line.file_name, line.id, line.version, false, line.description);
      }
      m.library.Reset();
    }
    results_.push_back(std::move(result));
  }
  const std::string new_path = folder + "/" + kModuleListNewName;
  if (changed) {
    // The new list is complete on disk before the old one moves; the old list becomes
    // the backup by a second link, so "ModuleList.dat" exists at every moment.
    if (!WriteFileAtomic(new_path, out, &error)) {
      (void)LogLine(error);
    } else {
      const std::string backup = folder + "/" + kModuleListBackupName;
      fs::remove(backup, ec);
      if (::link(list_path.c_str(), backup.c_str()) != 0) fs::copy_file(list_path, backup, ec);
      fs::rename(new_path, list_path, ec);
      if (ec) (void)LogLine(FormatText("Could not replace '%s': %s", list_path, ec.message()));
    }
  }
  log_ = nullptr;
  return loaded;
}

bool ModuleManager::LogLine(const std::string& text) {
  if (log_) log_(text, Title());
  return true;
}

void ModuleManager::Release(ModuleInfo& m) {
  if (m.library.get() != nullptr && m.init != nullptr) {
    evtManager.SetOwner(m.id);
    (void)m.init(SQ_INIT_SHUTDOWN);
    evtManager.SetOwner(0);
  }
  evtManager.RemoveEventsOf(m.id);
  m.library.Reset();
}

void ModuleManager::UnloadModules() {
  for (auto& m : modules_) Release(m);
  modules_.clear();
  commands_.clear();
  menu_.clear();
  descriptions_.clear();
}

int ModuleManager::AddMenuCommand(int module_id, int location, const char* text, int command_index) {
  const auto id = static_cast<std::uint32_t>(module_id);
  const ModuleInfo* m = FindModule(id);
  if (m == nullptr && loading_ != nullptr && loading_->id == id) m = loading_;
  if (m == nullptr) return kMenuUnknownModule;
  if (command_index >= 1 && command_index >= m->commands) return kMenuBadIndex;
  if (MenuLocationName(location).empty()) return kMenuBadLocation;
  ModuleMenuItem item;
  item.module_id = id;
  item.location = location;
  item.text = text ? text : "";
  item.separator = command_index < 0;
  item.command_index = command_index;
  item.command_number = item.separator ? 0 : kFirstModuleCommand + m->first_command + command_index;
  menu_.push_back(std::move(item));
  return kMenuOk;
}

int ModuleManager::ExecuteModuleCommand(int command_number) {
  const long index = static_cast<long>(command_number) - kFirstModuleCommand;
  if (index < 0 || index >= static_cast<long>(commands_.size())) {
    ErrorMessage(LoadString(kCommandOutOfRange));
    return -1;
  }
  const CommandPtrs& c = commands_[static_cast<std::size_t>(index)];
  if (c.function == nullptr) {
    ErrorMessage(FormatText(LoadString(kMissingCommand), FindModule(c.module_id)->file_name, c.function_name, c.index));
    return -1;
  }
  (void)ModuleHost::Get().RefreshDatabase();
  const bool was_running = std::exchange(command_running_, true);
  evtManager.SetOwner(c.module_id);
  c.function();
  evtManager.SetOwner(0);
  command_running_ = was_running;
  return 0;
}

}  // namespace sq
