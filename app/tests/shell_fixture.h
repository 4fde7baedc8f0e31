// Shared set-up for the shell tests: a program folder with "progdata.dat", stations in
// it, a fake clock at a chosen local moment, and operations that record their calls.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "app/download_log.h"
#include "app/messages.h"
#include "app/program_config.h"
#include "app/startup.h"
#include "app/station.h"
#include "app/station_folders.h"
#include "foundation/clock.h"
#include "foundation/date_time.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq::test {

// Unix milliseconds of a UTC moment (the fake clock's local time is UTC).
inline std::int64_t UnixMs(int year, int month, int day, int hour, int minute, int second = 0) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return static_cast<std::int64_t>(timegm(&tm)) * 1000;
}

// Minutes since midnight of the clock's local time.
inline int MinuteOfDay(Clock& clock) {
  const auto t = clock.LocalNow().tm;
  return t.tm_hour * 60 + t.tm_min;
}

struct Call {
  std::string folder;
  std::int64_t unix_ms;
  bool silent;
};

class ShellTestBase : public ::testing::Test {
 protected:
  ShellTestBase() : clock(UnixMs(2026, 12, 10, 14, 0)) {
    // Older-version station data are looked for here; keep the user's own out of it.
    ::setenv("STRATOQUILL_OLD_DIR", (dir / "no-old-stations").c_str(), 1);
    std::string message;
    EXPECT_EQ(InitProgramFolder(dir.str(), false, &message), 0) << message;
  }

  // A station named `name` in the program folder (or in `parent`), of `model`.
  std::string MakeStation(const std::string& name, int model = 5, const std::string& parent = "") {
    std::string folder, message;
    EXPECT_EQ(CreateNewStation(parent.empty() ? dir.str() : parent, name, false, &folder, &message),
              NewStationResult::kCreated)
        << message;
    Station s;
    EXPECT_EQ(s.Load(folder), 0);
    EXPECT_EQ(s.SetStationModel(model), 0);
    EXPECT_EQ(s.Save(), 0);
    return folder;
  }

  ShellOps RecordingOps(int download_rc = kJobOk, int clear_rc = kJobOk) {
    ShellOps ops;
    ops.download = [this, download_rc](Station& s, Attendance who) {
      downloads.push_back({s.Folder(), clock.UnixMs(), who == Attendance::kUnattended});
      return download_rc;
    };
    ops.clear = [this, clear_rc](Station& s, Attendance who) {
      clears.push_back({s.Folder(), clock.UnixMs(), who == Attendance::kUnattended});
      return clear_rc;
    };
    ops.ask = [this](std::string_view text, std::string_view) {
      questions.emplace_back(text);
      return answer;
    };
    return ops;
  }

  ProgConfigData ReadConfig() {
    ProgConfigData cfg;
    EXPECT_TRUE(ReadProgramConfig(dir.str(), cfg));
    return cfg;
  }
  void SaveConfig(ProgConfigData cfg) { ASSERT_EQ(SaveProgramConfig(dir.str(), cfg), 0); }

  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::istringstream in(testing::ReadText(dir / kDownloadLogName));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // True when some log line contains `text`.
  bool Logged(const std::string& text) {
    for (const auto& l : LogLines()) {
      if (l.find(text) != std::string::npos) return true;
    }
    return false;
  }

  testing::TempDir dir;
  FakeClock clock;
  std::vector<Call> downloads, clears;
  std::vector<std::string> questions;
  bool answer = false;
};

}  // namespace sq::test
