// images FOLDER: draws an upload profile's weather images (gauges, dials, history
// graphs) from the station's current data and database.
#include <cstdio>
#include <cstdlib>
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
#include "publish/publish_tables.h"
#include "publish/weather_images.h"
#include "realtime/bulletin_snapshot.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

using DU = DisplayUnits;

int Usage(FILE* out) {
  std::fprintf(out,
               "Usage: stratoquill images FOLDER [--profile N] [--current] [--historical] [--all]\n"
               "                         [--span KEY] [--out DIR]\n"
               "\n"
               "Draws the weather images that upload profile N (default 1) of the station in\n"
               "FOLDER selects: gauges and dials of the current conditions, and history graphs\n"
               "of the database over the profile's span. Both kinds unless --current or\n"
               "--historical is given. --all draws every image the station has sensors for,\n"
               "whatever the profile selects; --span KEY overrides the profile's span (1h, 4h,\n"
               "6h, 8h, 12h, 24h, 2days, 6days, 13days, 30days, 3months, 12months).\n"
               "The images go into DIR, by default FOLDER/Images/ProfileN/; the files written\n"
               "are listed. Current data come from the console, or from the snapshot of\n"
               "'stratoquill run' while it keeps the station. 'stratoquill internet FOLDER\n"
               "profile N set current-images=... historical-images=...' chooses the images.\n");
  return out == stdout ? kExitOk : kExitUsage;
}

// Current data: the snapshot while `run` keeps the station, else the console (and the
// snapshot when the console cannot be reached). False with `*why` when there are none.
bool ReadCurrent(const Station& station, const std::string& folder, BulletinData* out, bool* extremes,
                 std::string* why) {
  Clock& clock = Clock::Default();
  auto from_snapshot = [&](const std::string& reason) {
    std::string error;
    const auto s = ReadBulletinSnapshot(folder, clock, &error);
    if (!s) {
      *why = reason.empty() ? error : reason + "; " + error;
      return false;
    }
    std::fprintf(stderr, "stratoquill images: current data from the snapshot of 'stratoquill run', %lld s old\n",
                 static_cast<long long>(s->age_ms / 1000));
    *out = s->data;
    *extremes = true;
    // The snapshot's values are in the units it was written with.
    DU::SetTempUnit(out->units.temp);
    DU::SetBarUnit(out->units.bar);
    DU::SetWindSpeedUnit(out->units.wind);
    DU::SetRainUnit(out->units.rain);
    DU::SetDensityUnit(out->units.density);
    return true;
  };
  if (SnapshotKeeperRunning(folder)) return from_snapshot("");
  PortMap ports;
  std::string error;
  if (ports.Load(ProgramFolder(), &error) != 0 && !error.empty())
    std::fprintf(stderr, "stratoquill: %s\n", error.c_str());
  error.clear();
  if (ReadBulletinFromConsole(station, &ports, clock, out, &error) != 0) return from_snapshot(error);
  // One reading tracks no highs and lows; the console's block, when it sent one, has them.
  *extremes = false;
  return true;
}

bool ParseProfile(const std::string& s, int* out) {
  char* end = nullptr;
  const long n = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0' || n < 1 || n > kProfileCount) return false;
  *out = static_cast<int>(n);
  return true;
}

}  // namespace

int RunImages(const Args& args) {
  std::string folder, out_dir, span_key;
  int profile_number = 1;
  bool current = false, historical = false, all = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (IsHelp(a)) return Usage(stdout);
    if (a == "--profile") {
      if (!has_value || !ParseProfile(args[++i], &profile_number))
        return Fail("images", "--profile needs a number from 1 to 8");
    } else if (a == "--out") {
      if (!has_value) return Fail("images", "--out needs a folder");
      out_dir = args[++i];
    } else if (a == "--span") {
      if (!has_value) return Fail("images", "--span needs a span, e.g. 24h or 12months");
      span_key = args[++i];
    } else if (a == "--current") {
      current = true;
    } else if (a == "--historical") {
      historical = true;
    } else if (a == "--all") {
      all = true;
    } else if (a.starts_with("-") || !folder.empty()) {
      std::fprintf(stderr, "stratoquill images: unexpected argument '%s'\n", a.c_str());
      return Usage(stderr);
    } else {
      folder = a;
    }
  }
  if (folder.empty()) return Usage(stderr);
  if (!current && !historical) current = historical = true;

  Station station;
  if (!LoadStation("images", folder, &station, NoStationMessage::kCannotReadQuoted)) return kExitFailed;
  ApplyProgramUnits();
  DU::SetStationRainType(station.record().rain_type);

  InternetConfiguration config;
  (void)config.Load(folder);
  UploadParameters profile = config.Profile(profile_number);
  if (!span_key.empty()) {
    const auto code = SpanCodeFromKey(span_key);
    if (!code || *code == 9) return Fail("images", "unknown span '" + span_key + "' (see 'stratoquill images --help')");
    profile.span = *code;
  }
  if (all) {
    profile.current_images[0] = profile.historical_images[0] = 0xFFFFFFFFu;
    profile.current_images[1] = (1u << (kCurrentImageCount - 32)) - 1;
    profile.historical_images[1] = (1u << (kHistoricalImageCount - 32)) - 1;
  }
  const bool any_current = profile.current_images[0] != 0 || profile.current_images[1] != 0;
  const bool any_graph = profile.historical_images[0] != 0 || profile.historical_images[1] != 0;
  if ((!current || !any_current) && (!historical || !any_graph)) {
    std::printf(
        "profile %d selects no %simages; choose them with 'stratoquill internet %s profile %d set\n"
        "current-images=... historical-images=...', or draw every one with --all\n",
        profile_number,
        current && !historical   ? "current "
        : historical && !current ? "historical "
                                 : "",
        folder.c_str(), profile_number);
    return kExitOk;
  }

  BulletinData data;
  ImageRun run;
  run.station = &station;
  run.station_folder = folder;
  if (current && any_current) {
    std::string why;
    if (ReadCurrent(station, folder, &data, &run.extremes, &why)) {
      run.current = &data;
    } else {
      std::fprintf(stderr, "stratoquill images: no current data: %s\n", why.c_str());
    }
  }
  run.log = [](std::string_view text) {
    std::fprintf(stderr, "stratoquill images: %.*s\n", static_cast<int>(text.size()), text.data());
  };
  const std::string target = out_dir.empty() ? ProfileImageFolder(folder, profile_number) : out_dir;
  ImageResult result;
  const int rc = WriteProfileImages(run, profile, target, current, historical, &result);
  for (const auto& path : result.written) std::printf("wrote %s\n", path.c_str());
  for (const auto& note : result.notes) std::printf("%s\n", note.c_str());
  return rc == 0 ? kExitOk : kExitFailed;
}

}  // namespace sq::ui
