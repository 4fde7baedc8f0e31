// internet FOLDER ...: the station's internet configuration and its upload profiles,
// shown and changed by readable keys. Every change is checked as a whole before
// anything is saved; passwords are never printed.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/station.h"
#include "publish/inet_settings.h"
#include "publish/internet_config.h"
#include "publish/profile_list.h"
#include "publish/publish_tables.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

namespace fs = std::filesystem;

int Usage(FILE* out) {
  std::fprintf(out,
               "Usage: stratoquill internet FOLDER show\n"
               "       stratoquill internet FOLDER set KEY=VALUE...\n"
               "       stratoquill internet FOLDER profile N show\n"
               "       stratoquill internet FOLDER profile N set KEY=VALUE...\n"
               "       stratoquill internet FOLDER profile N files [add PATH [NAME] | remove INDEX]\n"
               "       stratoquill internet --keys | --images\n"
               "\n"
               "Shows and changes the internet settings of the station in FOLDER (FTP server,\n"
               "local copy, proxy, connection) and its eight upload profiles (what to publish,\n"
               "where and how often). N is 1..8. Templates (*.htx) in a profile's file list\n"
               "become pages; other files are uploaded as they are. --keys lists every key\n"
               "with its accepted values, --images the image file names.\n");
  return out == stdout ? kExitOk : kExitUsage;
}

int Keys() {
  std::printf("Settings (internet FOLDER set KEY=VALUE):\n");
  for (const auto& k : InetSettingKeys()) std::printf("  %-24s %s\n", k.key.c_str(), k.help.c_str());
  std::printf("\nProfile settings (internet FOLDER profile N set KEY=VALUE):\n");
  for (const auto& k : ProfileSettingKeys()) std::printf("  %-24s %s\n", k.key.c_str(), k.help.c_str());
  return kExitOk;
}

int Images() {
  std::printf("Current images (current-images=):\n");
  for (const auto& i : CurrentImages()) std::printf("  %s\n", std::string(i.file).c_str());
  std::printf("\nHistorical graphs (historical-images=):\n");
  for (const auto& i : HistoricalImages()) std::printf("  %s\n", std::string(i.file).c_str());
  std::printf("\nSpans (span=):\n");
  for (const auto& s : Spans()) std::printf("  %-10s %s\n", std::string(s.key).c_str(), std::string(s.title).c_str());
  return kExitOk;
}

int Refused(const std::vector<std::string>& errors) {
  for (const auto& e : errors) std::fprintf(stderr, "stratoquill internet: %s\n", e.c_str());
  std::fprintf(stderr, "stratoquill internet: nothing was changed\n");
  return kExitUsage;
}

int Save(const InternetConfiguration& config, const std::string& folder) {
  std::string error;
  if (config.Save(folder, &error) != 0) return Fail("internet", "cannot save " + folder + ": " + error);
  std::printf("saved %s\n", (fs::path(folder) / kInetConfigName).string().c_str());
  return kExitOk;
}

void ShowRecord(const InternetConfiguration& config) {
  for (const auto& k : InetSettingKeys()) {
    std::printf("%-24s %s\n", k.key.c_str(), InetSettingValue(config, k.key).c_str());
  }
  if (config.connection_type != kConnectThroughLan) {
    std::printf("(there is no dial-up on this system: uploads use whatever connection there is)\n");
  }
  std::printf("\n%-8s %-8s %-9s %-6s %s\n", "profile", "enabled", "interval", "sync", "publishes");
  for (int n = 1; n <= kProfileCount; ++n) {
    const auto& p = config.Profile(n);
    std::printf("%-8d %-8s %-9s %-6s %d files, %d reports, %d current images, %d graphs\n", n,
                ProfileSettingValue(p, "enabled").c_str(), ProfileSettingValue(p, "interval").c_str(),
                ProfileSettingValue(p, "sync").c_str(), p.file_count, p.report_count, p.current_image_count,
                p.historical_image_count);
  }
}

int ShowFiles(const std::string& folder, const UploadParameters& p) {
  const std::string list = LoadText(p.list_name, sizeof p.list_name);
  std::string error;
  const auto files = ReadProfileList(folder, list, &error);
  if (!files) return Fail("internet", "cannot read " + list + ": " + error);
  if (files->empty()) std::printf("(no files in %s)\n", list.c_str());
  int i = 0;
  for (const auto& f : *files) {
    std::error_code ec;
    const bool missing = !fs::exists(f.path, ec);
    std::printf("%3d  %-9s %-24s %s%s\n", ++i, f.IsTemplate() ? "template" : "file", f.name.c_str(), f.path.c_str(),
                missing ? "  (missing)" : "");
  }
  return kExitOk;
}

int ChangeFiles(const std::string& folder, InternetConfiguration& config, int n, const Args& args, std::size_t at) {
  UploadParameters& p = config.Profile(n);
  const std::string list = LoadText(p.list_name, sizeof p.list_name);
  std::string error;
  auto files = ReadProfileList(folder, list, &error);
  if (!files) return Fail("internet", "cannot read " + list + ": " + error);
  const std::string& verb = args[at];
  if (verb == "add") {
    if (args.size() < at + 2 || args.size() > at + 3)
      return Fail("internet", "files add needs PATH and may take a NAME");
    std::error_code ec;
    const fs::path path = fs::absolute(args[at + 1], ec).lexically_normal();
    if (ec || !fs::is_regular_file(path, ec)) return Fail("internet", "'" + args[at + 1] + "' is not a file");
    const std::string name = args.size() == at + 3 ? args[at + 2] : path.filename().string();
    const std::string text = path.string();
    if (name.empty() || name.find_first_of("\t\r\n") != std::string::npos ||
        text.find_first_of("\t\r\n") != std::string::npos) {
      return Fail("internet", "names and paths may not hold TABs or line breaks");
    }
    if (name.size() + 4 + text.size() > kProfileLineMax) {
      return Fail("internet", "the name and path together are too long for the list (at most " +
                                  std::to_string(kProfileLineMax - 4) + " characters)");
    }
    for (const auto& f : *files) {
      if (f.path == text) return Fail("internet", "'" + text + "' is already in the list");
    }
    files->push_back({name, text});
  } else if (verb == "remove") {
    char* end = nullptr;
    const long index = args.size() == at + 2 ? std::strtol(args[at + 1].c_str(), &end, 10) : 0;
    if (args.size() != at + 2 || end == args[at + 1].c_str() || *end != '\0' || index < 1 ||
        index > static_cast<long>(files->size())) {
      return Fail("internet", "files remove needs the INDEX of an entry (1.." + std::to_string(files->size()) + ")");
    }
    files->erase(files->begin() + (index - 1));
  } else {
    return Fail("internet", "unknown files action '" + verb + "' (add, remove)");
  }
  if (!WriteProfileList(folder, list, *files, &error)) return Fail("internet", "cannot write " + list + ": " + error);
  p.file_count = static_cast<std::int16_t>(std::min<std::size_t>(files->size(), 32767));
  if (Save(config, folder) != 0) return kExitFailed;
  return ShowFiles(folder, p);
}

int Profile(const std::string& folder, InternetConfiguration& config, const Args& args) {
  // args: internet FOLDER profile N VERB ...
  if (args.size() < 5) return Fail("internet", "profile needs a number 1..8 and show, set or files");
  char* end = nullptr;
  const long n = std::strtol(args[3].c_str(), &end, 10);
  if (end == args[3].c_str() || *end != '\0' || n < 1 || n > kProfileCount) {
    return Fail("internet", "profile number '" + args[3] + "' is not 1..8");
  }
  UploadParameters& p = config.Profile(static_cast<int>(n));
  const std::string& verb = args[4];
  if (verb == "show") {
    if (args.size() != 5) return Fail("internet", "profile N show takes nothing more");
    for (const auto& k : ProfileSettingKeys()) {
      std::printf("%-24s %s\n", k.key.c_str(), ProfileSettingValue(p, k.key).c_str());
    }
    std::printf("\nfiles:\n");
    return ShowFiles(folder, p);
  }
  if (verb == "set") {
    if (args.size() < 6) return Fail("internet", "profile N set needs KEY=VALUE (see stratoquill internet --keys)");
    std::vector<std::string> errors;
    if (ApplyProfileSettings(p, Args(args.begin() + 5, args.end()), &errors) != 0) return Refused(errors);
    return Save(config, folder);
  }
  if (verb == "files") {
    if (args.size() == 5) return ShowFiles(folder, p);
    return ChangeFiles(folder, config, static_cast<int>(n), args, 5);
  }
  return Fail("internet", "unknown profile action '" + verb + "' (show, set, files)");
}

}  // namespace

int RunInternet(const Args& args) {
  if (args.size() == 2 && IsHelp(args[1])) return Usage(stdout);
  if (args.size() == 2 && args[1] == "--keys") return Keys();
  if (args.size() == 2 && args[1] == "--images") return Images();
  if (args.size() < 3) return Usage(stderr);
  const std::string& folder = args[1];
  Station station;
  if (!LoadStation("internet", folder, &station, NoStationMessage::kCannotReadQuoted)) return kExitFailed;
  InternetConfiguration config;
  bool imported = false;
  (void)config.Load(folder, &imported);
  if (imported)
    Inform("The older internet settings (Internet.cfg) were converted into " + std::string(kInetConfigName) + ".");
  const std::string& verb = args[2];
  if (verb == "show") {
    if (args.size() != 3) return Fail("internet", "show takes nothing more");
    ShowRecord(config);
    return kExitOk;
  }
  if (verb == "set") {
    if (args.size() < 4) return Fail("internet", "set needs KEY=VALUE (see stratoquill internet --keys)");
    std::vector<std::string> errors;
    if (ApplyInetSettings(config, Args(args.begin() + 3, args.end()), &errors) != 0) return Refused(errors);
    if (config.proxy_mode == kProxyNamed && LoadText(config.proxy_name, kProxyNameSize).empty()) {
      std::fprintf(stderr,
                   "stratoquill internet: note: You have selected to use a proxy server with your internet "
                   "connection, but you did not specify the name of your proxy server (proxy-server=NAME).\n");
    }
    return Save(config, folder);
  }
  if (verb == "profile") return Profile(folder, config, args);
  std::fprintf(stderr, "stratoquill internet: unknown action '%s'\n", verb.c_str());
  return Usage(stderr);
}

}  // namespace sq::ui
