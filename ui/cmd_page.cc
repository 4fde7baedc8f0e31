// page FOLDER TEMPLATE [OUT]: one page from a template and the current data of the
// station in FOLDER, read from its console or from the snapshot of `run`.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/dirs.h"
#include "app/port_map.h"
#include "app/program_config.h"
#include "app/station.h"
#include "foundation/clock.h"
#include "foundation/display_units.h"
#include "foundation/prog_config_data.h"
#include "publish/internet_config.h"
#include "publish/page_source.h"
#include "publish/profile_list.h"
#include "publish/template_page.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

namespace fs = std::filesystem;

int Usage(FILE* out) {
  std::fprintf(out,
               "Usage: stratoquill page FOLDER TEMPLATE [OUT] [--profile N]\n"
               "\n"
               "Makes one page from TEMPLATE (a text or HTML file whose tags, such as\n"
               "<!--outsideTemp-->, stand for current values) with the current data of the\n"
               "station in FOLDER, in the program folder's display units: read from its\n"
               "console, or, while 'stratoquill run' keeps the station, from run's snapshot.\n"
               "OUT defaults to the template's name with the page extension of the upload\n"
               "profile that lists the template (or of profile N, or \"htm\"), beside the\n"
               "template. The station's Templates folder holds ready-made examples.\n");
  return out == stdout ? kExitOk : kExitUsage;
}

// The page extension: of profile `profile` (1..8), else of the first profile whose file
// list holds the template, else of profile 1.
std::string PageExtension(const std::string& folder, const fs::path& template_path, int profile) {
  InternetConfiguration config;
  (void)config.Load(folder);
  auto ext = [](const UploadParameters& p) {
    const std::string e = LoadText(p.page_extension, sizeof p.page_extension);
    return e.empty() || e.find_first_of("/\\") != std::string::npos ? std::string("htm") : e;
  };
  if (profile > 0) return ext(config.Profile(profile));
  std::error_code ec;
  const fs::path wanted = fs::weakly_canonical(template_path, ec);
  for (int n = 1; n <= kProfileCount; ++n) {
    const auto& p = config.Profile(n);
    const auto files = ReadProfileList(folder, LoadText(p.list_name, sizeof p.list_name));
    if (!files) continue;
    for (const auto& f : *files) {
      std::error_code ec2;
      if (fs::weakly_canonical(f.path, ec2) == wanted) return ext(p);
    }
  }
  return ext(config.Profile(1));
}

}  // namespace

int RunPage(const Args& args) {
  std::vector<std::string> positional;
  int profile = 0;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) return Usage(stdout);
    if (a == "--profile" && i + 1 < args.size()) {
      char* end = nullptr;
      const long n = std::strtol(args[++i].c_str(), &end, 10);
      if (end == args[i].c_str() || *end != '\0' || n < 1 || n > kProfileCount) {
        return Fail("page", "--profile needs a number from 1 to 8");
      }
      profile = static_cast<int>(n);
    } else if (a.rfind("--", 0) == 0) {
      std::fprintf(stderr, "stratoquill page: unknown option '%s'\n", a.c_str());
      return Usage(stderr);
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() < 2 || positional.size() > 3) return Usage(stderr);
  const std::string& folder = positional[0];
  const fs::path template_path = positional[1];
  Station station;
  if (!LoadStation("page", folder, &station, NoStationMessage::kCannotReadQuoted)) return kExitFailed;
  std::error_code ec;
  if (!fs::is_regular_file(template_path, ec)) return Fail("page", "no template file '" + template_path.string() + "'");
  fs::path page_path;
  if (positional.size() == 3) {
    page_path = positional[2];
  } else {
    page_path = template_path;
    page_path.replace_extension(PageExtension(folder, template_path, profile));
  }
  if (fs::weakly_canonical(page_path, ec) == fs::weakly_canonical(template_path, ec)) {
    return Fail("page", "the page would replace its template; give OUT or another profile extension");
  }

  ApplyProgramUnits();
  DisplayUnits::SetStationRainType(station.record().rain_type);

  PortMap ports;
  std::string error;
  if (ports.Load(ProgramFolder(), &error) != 0 && !error.empty())
    std::fprintf(stderr, "stratoquill: %s\n", error.c_str());
  error.clear();
  const auto source = ReadPageData(station, &ports, Clock::Default(), &error);
  if (!source) return Fail("page", error);
  if (source->from_snapshot) {
    std::fprintf(stderr, "stratoquill page: current data from the snapshot of 'stratoquill run', %lld s old\n",
                 static_cast<long long>(source->age_ms / 1000));
  }

  const TagValues values(source->data, station, Clock::Default());
  bool failed = false;
  const int rc = ProcessTemplate(
      template_path.string(), page_path.string(), values, station.Name(), [&](std::string_view text, std::string_view) {
        std::fprintf(stderr, "stratoquill page: %.*s\n", static_cast<int>(text.size()), text.data());
        failed = true;
      });
  if (rc != kPageWritten || failed) return kExitFailed;
  std::printf("wrote %s\n", page_path.string().c_str());
  return kExitOk;
}

}  // namespace sq::ui
