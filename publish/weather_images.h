// Producing an upload profile's images: the current conditions as bar gauges and wind
// dials, and the archive as history graphs, written into a folder under the fixed file
// names of the profile's image tables (publish/publish_tables.h).
//
// The current values come from a BulletinData (the real-time manager's, or the snapshot
// that `stratoquill run` keeps); the graphs from the station's database. Values are drawn
// in the display units in effect. A failure is reported and the remaining images are
// still drawn.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/hilows.h"
#include "publish/bar_gif.h"
#include "publish/internet_config.h"
#include "realtime/bulletin_data.h"

namespace sq {

class Station;

struct ImageRun {
  const Station* station = nullptr;       // sensors, rain collector, site
  std::string station_folder;             // its database, for the graphs
  const BulletinData* current = nullptr;  // current conditions; null: none at hand
  // The current data's highs and lows are today's (the real-time manager kept them);
  // otherwise no High/Low lines are drawn, unless the data carry the console's
  // highs-and-lows block, whose values then stand in.
  bool extremes = false;
  // The background used when a profile's option byte is 0.
  int default_background = kGifBackgroundTransparent;
  BaromWindow* barometer_window = &ProgramBaromWindow();
  // Each failure text, as it happens (also collected in the result).
  std::function<void(std::string_view)> log;
};

struct ImageResult {
  std::vector<std::string> written;  // paths of the files written, in order
  std::vector<std::string> errors;   // the failure texts
  std::vector<std::string> notes;    // what was left out and why (not failures)
  [[nodiscard]] bool ok() const { return errors.empty(); }
};

// "<station folder>/Images/Profile<n>/", the folder the upload run draws into.
[[nodiscard]] std::string ProfileImageFolder(const std::string& station_folder, int profile);

// Draws the profile's selected current images into `folder` (which must exist).
// 0 when every image was drawn, -1 when any failed.
int DrawCurrentImages(const ImageRun& run, const UploadParameters& profile, const std::string& folder,
                      ImageResult* result);
// Draws the profile's selected history graphs over its span into `folder`, from the
// station's database. 0, or -1 when any failed. A station without archive data gets
// none (a note says so).
int DrawHistoricalImages(const ImageRun& run, const UploadParameters& profile, const std::string& folder,
                         ImageResult* result);
// Both, creating `folder` (every missing level) first. 0 or -1.
int WriteProfileImages(const ImageRun& run, const UploadParameters& profile, const std::string& folder, bool current,
                       bool historical, ImageResult* result);

// Today's highs and lows from the console's highs-and-lows block into `data` (display
// units of the moment), for the values the block keeps.
void ApplyHiLowsBlock(const HiLowsBlock& block, int rain_type, BulletinData& data);

// The caption of current image `index` in the display units of the moment.
[[nodiscard]] std::string CurrentImageCaption(int index);
// The title of history graph `index` with its unit, e.g. "Outside Temperature (°F)".
[[nodiscard]] std::string GraphTitle(int index);

}  // namespace sq
