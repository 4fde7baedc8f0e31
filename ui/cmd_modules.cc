// stratoquill modules: the list of expansion modules (list, add, remove, enable,
// disable), the commands the loaded modules offer, and running one of them.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/command_line.h"
#include "app/dirs.h"
#include "app/download_log.h"
#include "app/format_text.h"
#include "app/messages.h"
#include "app/module_host.h"
#include "app/module_list.h"
#include "app/module_manager.h"
#include "app/program_config.h"
#include "app/station.h"
#include "app/station_folders.h"
#include "app/station_open_hook.h"
#include "foundation/file_util.h"
#include "foundation/prog_config_data.h"
#include "link/serial_port_manager.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"
#include "ui/module_console.h"

namespace sq::ui {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kNotAModule = 47815;
constexpr std::uint32_t kReplaceText = 47816;
constexpr std::uint32_t kReplaceTitle = 47817;
constexpr std::uint32_t kRemoveText = 47818;
constexpr std::uint32_t kRemoveTitle = 47819;
constexpr std::uint32_t kRestartNote = 47820;
constexpr std::size_t kMaxListSize = 1 << 20;

int Usage() {
  std::fprintf(stderr,
               "Usage: stratoquill modules list\n"
               "       stratoquill modules add FILE [--yes]\n"
               "       stratoquill modules remove NAME [--yes]\n"
               "       stratoquill modules enable NAME | disable NAME\n"
               "       stratoquill modules commands [--station FOLDER]\n"
               "       stratoquill modules run NAME INDEX [--station FOLDER]\n"
               "See 'stratoquill modules --help'.\n");
  return kExitUsage;
}

int Help() {
  std::printf(
      "Usage: stratoquill modules list | add FILE [--yes] | remove NAME [--yes]\n"
      "                         | enable NAME | disable NAME | commands | run NAME INDEX\n"
      "\n"
      "Expansion modules are shared libraries in the program folder's Expansion_Modules\n"
      "folder, listed in its ModuleList.dat. 'stratoquill run' loads the enabled ones at\n"
      "start-up; a module that fails to load is logged in download.log and disabled.\n"
      "Modules run with your rights: only files you own and nobody else may write are\n"
      "loaded. The interface for module authors is include/stratoquill/module.h.\n"
      "\n"
      "  list             the modules: [X] enabled or [ ] disabled, file, description, id\n"
      "  add FILE         copy a module library into the module folder and enable it\n"
      "                   (asks before replacing a module of the same name)\n"
      "  remove NAME      take a module off the list (its file stays in the folder)\n"
      "  enable NAME      load the module at the next start\n"
      "  disable NAME     do not load it\n"
      "  commands         load the modules and list their commands by menu\n"
      "  run NAME INDEX   load the modules and run command INDEX (0, 1, ...) of NAME\n"
      "\n"
      "  --yes            do not ask\n"
      "  --station FOLDER the station the module commands work on (default: the last\n"
      "                   station opened)\n");
  return kExitOk;
}

std::string ModuleFolder() { return ProgramFolder() + "/" + kModuleFolderName; }
std::string ListPath() { return ModuleFolder() + "/" + kModuleListName; }

std::vector<ModuleListLine> ReadList() {
  std::error_code ec;
  if (!fs::exists(ListPath(), ec)) return {};
  const auto bytes = ReadWholeFile(ListPath(), kMaxListSize);
  if (!bytes) return {};
  std::vector<ModuleListLine> lines = ParseModuleList(std::string(bytes->begin(), bytes->end()));
  std::erase_if(lines, [](const ModuleListLine& l) { return l.file_name.empty(); });
  return lines;
}

std::string LineText(const ModuleListLine& l) {
  if (!l.Parsed()) return l.text + "\n";
  return FormatModuleListLine(l.file_name, l.id, l.version, l.flag != 0, l.description);
}

bool WriteList(const std::vector<ModuleListLine>& lines) {
  std::string text;
  for (const auto& l : lines) text += LineText(l);
  std::string error;
  if (!WriteFileAtomic(ListPath(), text, &error)) {
    std::fprintf(stderr, "stratoquill modules: %s\n", error.c_str());
    return false;
  }
  return true;
}

bool EnsureFolder() {
  std::error_code ec;
  if (fs::is_directory(ModuleFolder(), ec)) return true;
  fs::create_directories(ModuleFolder(), ec);
  if (ec) {
    std::fprintf(stderr, "stratoquill modules: cannot create %s: %s\n", ModuleFolder().c_str(), ec.message().c_str());
    return false;
  }
  ::chmod(ModuleFolder().c_str(), 0755);
  return true;
}

void RestartNote() { std::printf("%s\n", std::string(LoadString(kRestartNote)).c_str()); }

int List() {
  const auto lines = ReadList();
  if (lines.empty()) {
    std::printf("No expansion modules are listed in %s.\n", ListPath().c_str());
    return kExitOk;
  }
  for (const auto& l : lines) {
    std::printf(" [%c]\t%s\t%s\t0x%X\n", l.Enabled() ? 'X' : ' ', l.file_name.c_str(), l.description.c_str(), l.id);
  }
  return kExitOk;
}

bool Ask(const std::string& text, std::string_view title, bool yes) {
  if (yes) return true;
  if (!::isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "%s\nstratoquill modules: not a terminal; give --yes to go ahead.\n", text.c_str());
    return false;
  }
  return AskYesNo(text, title, false);
}

// A path the user typed is relative to the folder the program was started in, which
// --home may have left: the shell's PWD still names it.
std::string UserPath(const std::string& path) {
  const char* start = std::getenv("PWD");
  if (path.empty() || path[0] == '/' || start == nullptr || start[0] != '/') return path;
  return (fs::path(start) / path).string();
}

int Add(const std::string& typed, bool yes) {
  const std::string file = UserPath(typed);
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    std::fprintf(stderr, "stratoquill modules: '%s' is not a file\n", file.c_str());
    return kExitFailed;
  }
  const std::string name = fs::path(file).filename().string();
  if (!ValidModuleFileName(name)) {
    std::fprintf(stderr, "stratoquill modules: a module's file name may not contain blanks ('%s')\n", name.c_str());
    return kExitFailed;
  }
  // The library must offer the four entry points; its identity goes into the list.
  ModuleLibraries& libs = SystemModuleLibraries();
  int error = 0;
  std::string detail;
  const std::string absolute = fs::absolute(file, ec).string();
  ModuleLibrary lib(&libs, libs.Open(absolute, &error, &detail));
  auto caps = reinterpret_cast<SqModuleCapsFn>(lib.Symbol("SquillExpModuleCaps"));
  auto strs = reinterpret_cast<SqModuleStrsFn>(lib.Symbol("SquillExpModuleStrs"));
  if (lib.get() == nullptr || caps == nullptr || strs == nullptr || lib.Symbol("SquillExpModuleInit") == nullptr ||
      lib.Symbol("SquillExpModuleCommands") == nullptr) {
    ErrorMessage(FormatText(LoadString(kNotAModule), file));
    if (!detail.empty()) std::fprintf(stderr, "(%s)\n", detail.c_str());
    return kExitFailed;
  }
  const auto id = static_cast<std::uint32_t>(caps(SQ_CAPS_ID));
  const auto version = static_cast<std::uint32_t>(caps(SQ_CAPS_VERSION));
  const auto required = static_cast<std::uint32_t>(caps(SQ_CAPS_REQUIRED));
  if (required > SQ_INTERFACE_VERSION) {
    std::fprintf(stderr,
                 "stratoquill modules: note: %s needs interface %u.%u.%u; this program offers %u.%u.%u, so it "
                 "will be disabled at start-up.\n",
                 name.c_str(), required >> 16, (required >> 8) & 0xFF, required & 0xFF, SQ_INTERFACE_VERSION >> 16,
                 (SQ_INTERFACE_VERSION >> 8) & 0xFF, SQ_INTERFACE_VERSION & 0xFF);
  }
  const char* description = strs(SQ_STRS_DESCRIPTION);
  const std::string desc = description ? description : "";
  lib.Reset();

  if (!EnsureFolder()) return kExitFailed;
  const std::string target = ModuleFolder() + "/" + name;
  if (fs::exists(fs::symlink_status(target, ec)) &&
      !Ask(FormatText(LoadString(kReplaceText), target, file), LoadString(kReplaceTitle), yes)) {
    std::printf("Nothing changed.\n");
    return kExitFailed;
  }
  // Copied beside and renamed, so a running program never sees half a library.
  const std::string partial = target + ".partial";
  fs::copy_file(file, partial, fs::copy_options::overwrite_existing, ec);
  if (!ec)
    fs::permissions(partial,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    ec);
  if (!ec) fs::rename(partial, target, ec);
  if (ec) {
    fs::remove(partial, ec);
    std::fprintf(stderr, "stratoquill modules: cannot copy '%s' to %s\n", file.c_str(), target.c_str());
    return kExitFailed;
  }
  auto lines = ReadList();
  std::erase_if(lines, [&](const ModuleListLine& l) { return l.file_name == name; });
  for (const auto& l : lines) {
    if (l.Parsed() && l.Enabled() && l.id == id) {
      std::fprintf(stderr,
                   "stratoquill modules: note: %s has the identifier of %s (0x%X); of two modules with one "
                   "identifier only the first in the list loads.\n",
                   name.c_str(), l.file_name.c_str(), id);
    }
  }
  lines.push_back(ParseModuleListLine(FormatModuleListLine(name, id, version, true, desc)));
  lines.back().text.pop_back();
  if (!WriteList(lines)) return kExitFailed;
  std::printf("Added %s (0x%X, %s) to %s.\n", name.c_str(), id, desc.c_str(), ListPath().c_str());
  RestartNote();
  return kExitOk;
}

std::vector<ModuleListLine>::iterator Find(std::vector<ModuleListLine>& lines, const std::string& name) {
  return std::find_if(lines.begin(), lines.end(), [&](const ModuleListLine& l) { return l.file_name == name; });
}

int NotListed(const std::string& name) {
  std::fprintf(stderr, "stratoquill modules: no module '%s' in %s (see 'stratoquill modules list')\n", name.c_str(),
               ListPath().c_str());
  return kExitFailed;
}

int Remove(const std::string& name, bool yes) {
  auto lines = ReadList();
  auto it = Find(lines, name);
  if (it == lines.end()) return NotListed(name);
  if (!Ask(FormatText(LoadString(kRemoveText), name), LoadString(kRemoveTitle), yes)) {
    std::printf("Nothing changed.\n");
    return kExitFailed;
  }
  lines.erase(it);
  if (!WriteList(lines)) return kExitFailed;
  std::printf("Removed %s from the list; its file stays in %s.\n", name.c_str(), ModuleFolder().c_str());
  RestartNote();
  return kExitOk;
}

int Enable(const std::string& name, bool on) {
  auto lines = ReadList();
  auto it = Find(lines, name);
  if (it == lines.end()) return NotListed(name);
  if (!it->Parsed()) *it = ParseModuleListLine(name + " 0x0 0x0 1 -");
  it->flag = on ? 1 : 0;
  if (!WriteList(lines)) return kExitFailed;
  std::printf("%s %s.\n", on ? "Enabled" : "Disabled", name.c_str());
  RestartNote();
  return kExitOk;
}

// Opens the station the module commands work on: --station, or the last one opened.
bool OpenModuleStation(const std::string& folder_arg, Station& station) {
  std::string folder = folder_arg;
  if (folder.empty()) {
    ProgConfigData cfg;
    if (ReadProgramConfig(ProgramFolder(), cfg)) folder = DefaultStationFolder(ProgramFolder(), cfg);
    if (folder.empty()) return false;
  }
  std::string message;
  if (OpenStation(station, folder, &message) != 0) {
    std::fprintf(stderr, "stratoquill modules: %s\n", message.empty() ? folder.c_str() : message.c_str());
    return false;
  }
  ApplyProgramUnits();
  return true;
}

// Loads the modules for `commands` and `run`; load failures go to the log and stderr.
int LoadForCommand(const std::string& station_folder, Station& station, bool* have_station) {
  *have_station = OpenModuleStation(station_folder, station);
  ModuleHost::Get().hooks().station = [&station, have = *have_station] { return have ? &station : nullptr; };
  // What follows the open station (its internet settings) follows this one.
  if (*have_station && StationOpened().current) StationOpened().current(&station);
  return Modules().LoadModules(ProgramFolder(), [](std::string_view text, std::string_view title) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(), static_cast<int>(text.size()),
                 text.data());
    (void)LogMessage(text, title);
  });
}

void Unload() {
  Modules().UnloadModules();
  ModuleHost::Get().Reset();
  ModuleHost::Get().SetHooks({});
  if (StationOpened().current) StationOpened().current(nullptr);
}

int Commands(const std::string& station_folder) {
  Station station;
  bool have_station = false;
  SerialPortManager manager;
  WireModuleConsole(manager, [&station, &have_station] { return have_station ? &station : nullptr; });
  if (LoadForCommand(station_folder, station, &have_station) == 0) {
    std::printf("No expansion module is loaded (see 'stratoquill modules list').\n");
    Unload();
    return kExitOk;
  }
  // The menus, in the order of their locations; then commands in no menu.
  std::map<int, std::vector<const ModuleMenuItem*>> groups;
  for (const auto& item : Modules().menu_items()) groups[item.location].push_back(&item);
  std::string shown_group;
  for (const auto& [location, items] : groups) {
    const std::string group(MenuLocationName(location));
    if (group != shown_group) std::printf("%s:\n", group.c_str());
    shown_group = group;
    for (const ModuleMenuItem* item : items) {
      if (item->separator) {
        std::printf("  --------\n");
        continue;
      }
      const ModuleInfo* m = Modules().FindModule(item->module_id);
      std::printf("  %5d  %-30s %s %d  (location %d)\n", item->command_number, item->text.c_str(),
                  m ? m->file_name.c_str() : "?", item->command_index, location);
    }
  }
  bool header = false;
  const auto& commands = Modules().commands();
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const int number = kFirstModuleCommand + static_cast<int>(i);
    const bool in_menu = std::any_of(Modules().menu_items().begin(), Modules().menu_items().end(),
                                     [&](const ModuleMenuItem& item) { return item.command_number == number; });
    if (in_menu) continue;
    if (!header) std::printf("In no menu:\n");
    header = true;
    const ModuleInfo* m = Modules().FindModule(commands[i].module_id);
    std::printf("  %5d  %-30s %s %d\n", number, commands[i].function_name.c_str(), m ? m->file_name.c_str() : "?",
                commands[i].index);
  }
  std::printf("Run one with: stratoquill modules run MODULE INDEX\n");
  Unload();
  return kExitOk;
}

int Run(const std::string& name, const std::string& index_text, const std::string& station_folder) {
  char* end = nullptr;
  const long index = std::strtol(index_text.c_str(), &end, 10);
  if (index_text.empty() || *end != '\0' || index < 0 || index >= kMaxModuleCommands) {
    std::fprintf(stderr, "stratoquill modules run: INDEX is a command number of the module: 0, 1, ...\n");
    return kExitUsage;
  }
  Station station;
  bool have_station = false;
  SerialPortManager manager;
  WireModuleConsole(manager, [&station, &have_station] { return have_station ? &station : nullptr; });
  (void)LoadForCommand(station_folder, station, &have_station);
  const ModuleInfo* m = Modules().FindModuleByFile(name);
  int rc = 0;
  if (m == nullptr) {
    std::fprintf(stderr, "stratoquill modules: module '%s' is not loaded (see 'stratoquill modules list')\n",
                 name.c_str());
    rc = 1;
  } else if (index >= m->commands) {
    std::fprintf(stderr, "stratoquill modules: %s has %d command%s (0..%d)\n", name.c_str(), m->commands,
                 m->commands == 1 ? "" : "s", m->commands - 1);
    rc = 1;
  } else {
    std::fflush(stdout);
    rc = Modules().ExecuteModuleCommand(kFirstModuleCommand + m->first_command + static_cast<int>(index)) == 0
             ? kExitOk
             : kExitFailed;
    std::fflush(stdout);
  }
  Unload();
  manager.CloseAllSessions();
  return rc;
}

}  // namespace

int RunModules(const Args& args) {
  std::vector<std::string> words;
  bool yes = false;
  std::string station_folder;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) return Help();
    if (a == "--yes" || a == "-y") {
      yes = true;
    } else if (a == "--station") {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "stratoquill modules: --station needs a folder\n");
        return kExitUsage;
      }
      station_folder = args[++i];
    } else if (a.starts_with("--")) {
      std::fprintf(stderr, "stratoquill modules: unknown option '%s'\n", a.c_str());
      return Usage();
    } else {
      words.push_back(a);
    }
  }
  if (words.empty()) return Usage();
  const std::string& verb = words[0];
  auto want = [&](std::size_t n) {
    if (words.size() == n + 1) return true;
    std::fprintf(stderr, "stratoquill modules %s: expects %zu argument%s\n", verb.c_str(), n, n == 1 ? "" : "s");
    return false;
  };
  if (verb == "list") return want(0) ? List() : Usage();
  if (verb == "add") return want(1) ? Add(words[1], yes) : Usage();
  if (verb == "remove") return want(1) ? Remove(words[1], yes) : Usage();
  if (verb == "enable") return want(1) ? Enable(words[1], true) : Usage();
  if (verb == "disable") return want(1) ? Enable(words[1], false) : Usage();
  if (verb == "commands") return want(0) ? Commands(station_folder) : Usage();
  if (verb == "run") return want(2) ? Run(words[1], words[2], station_folder) : Usage();
  std::fprintf(stderr, "stratoquill modules: unknown action '%s'\n", verb.c_str());
  return Usage();
}

}  // namespace sq::ui
