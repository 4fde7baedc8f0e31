// The weather-network steps of an upload run for a station loaded from its folder:
// what `stratoquill wu` and `stratoquill aprs` run, and what the upload scheduler calls.
//
//   RunWuUpload: the station's records since the last one sent go to Weather
//     Underground; every accepted record is saved at once as the last record sent in
//     the station's file (re-read first, so that other settings changed meanwhile stay).
//   RunAprsUpload: the current conditions go to CWOP, with the archive's wind for the
//     NOAA standard and its rain where the current data has no rain rings yet.
//
// Both log through the given sink (empty: the download log) with the station's name as
// title, and answer 0 or -1.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "publish/aprs_upload.h"
#include "publish/http_session.h"
#include "publish/wu_upload.h"

namespace sq {

class BulletinData;
class Clock;
class Station;

struct WuRun {
  int result = kWuFailed;
  int sent = 0;   // records accepted
  int total = 0;  // records to send
};

struct WuRunOptions {
  int catchup_days = -1;  // 0..7 for this run only; -1: the station's setting
  bool save_last_sent = true;
  std::function<void(std::string_view text, std::string_view title)> log;
  std::function<void(std::string_view text)> progress;
};

// Saves `local` as the last record sent in the station file of `folder`; logs "Could
// not save station config file. ..." and answers false when it cannot.
[[nodiscard]] bool SaveWuLastSent(const std::string& folder, const DateTime& local, const std::string& title,
                                  const std::function<void(std::string_view, std::string_view)>& log);

// `station` is the loaded station; its database is opened (read only) when it is not.
[[nodiscard]] WuRun RunWuUpload(Station& station, HttpSession& session, const DateTime& now,
                                const WuRunOptions& options);

// The archive's current wind and rain for `station` at `now` on its clock; nothing when
// the station has no database.
[[nodiscard]] std::optional<ArchiveCurrent> ArchiveCurrentOf(Station& station, const DateTime& now);

[[nodiscard]] int RunAprsUpload(Station& station, const BulletinData& data, const AprsSessionOptions& options,
                                Clock& clock);

}  // namespace sq
