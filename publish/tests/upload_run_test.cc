// The upload schedule on a fake clock and upload runs: the stages and their log texts
// against a scripted session, and whole runs against a real FTP server on 127.0.0.1
// with a local copy, checked file by file.
#include "publish/upload_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/station.h"
#include "foundation/clock.h"
#include "publish/ftp_paths.h"
#include "publish/local_copy.h"
#include "publish/profile_list.h"
#include "publish/publish_tables.h"
#include "publish/tests/ftp_test_server.h"
#include "publish/upload_schedule.h"
#include "publish/upload_scheduler.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

namespace fs = std::filesystem;
using test::FtpTestServer;
using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

// 2024-12-31 00:00 local time (UTC here).
constexpr std::int64_t kMidnightMs = 1735603200000;

// ---- The schedule ----

// The minutes in [from, to] at which a profile fires, polled three times a minute.
std::vector<int> Firings(int interval, int sync, int from, int to, bool enabled = true) {
  InternetConfiguration c;
  c.SetDefaults();
  c.Profile(1).interval = static_cast<std::int16_t>(interval);
  c.Profile(1).sync_time = static_cast<std::int16_t>(sync);
  c.Profile(1).enabled = enabled ? 1 : 0;
  std::vector<int> out;
  for (int m = from; m <= to; ++m) {
    for (int poll = 0; poll < 3; ++poll) {
      if (DueUploadProfiles(c, m % 1440) & 1u) out.push_back(m);
    }
  }
  return out;
}

TEST(UploadSchedule, ProfilesFireOnceInEachMinuteOfTheirInterval) {
  EXPECT_EQ(Firings(15, 3, 0, 59), (std::vector<int>{3, 18, 33, 48}));
  EXPECT_EQ(Firings(60, 23 * 60 + 50, 0, 119), (std::vector<int>{50, 110}));  // modulo a day
  EXPECT_EQ(Firings(60, 23 * 60 + 50, 1420, 1440), (std::vector<int>{1430}));
  EXPECT_EQ(Firings(1, 3, 10, 13), (std::vector<int>{10, 11, 12, 13}));
  EXPECT_EQ(Firings(1440, 0, 0, 2880), (std::vector<int>{0, 1440, 2880}));
  EXPECT_TRUE(Firings(0, 3, 0, 1440).empty());
  EXPECT_TRUE(Firings(15, 3, 0, 59, false).empty());
  EXPECT_TRUE(Firings(-5, 3, 0, 59).empty());  // a damaged file never fires

  InternetConfiguration c;
  c.SetDefaults();
  for (int n : {2, 5}) {
    c.Profile(n).enabled = 1;
    c.Profile(n).interval = 5;
  }
  c.Profile(5).download_first = 1;
  EXPECT_EQ(DueUploadProfiles(c, 3), 0x02u | 0x10u | upload_task::kDownload);
  EXPECT_EQ(c.Profile(2).last_fired, 3);
  EXPECT_EQ(DueUploadProfiles(c, 3), 0u);
}

TEST(UploadSchedule, RunLoopChecksEveryTwentiethTickOnTheFakeClock) {
  FakeClock clock(kMidnightMs);
  InternetConfiguration c;
  c.SetDefaults();
  c.Profile(1).enabled = 1;
  c.Profile(1).interval = 15;
  c.Profile(1).sync_time = 3;
  std::vector<std::pair<int, std::uint32_t>> started;  // minute of the day, tasks
  UploadScheduler scheduler(clock, [&](std::uint32_t tasks) {
    const auto now = clock.LocalNow();
    started.emplace_back(now.tm.tm_hour * 60 + now.tm.tm_min, tasks);
    return std::unique_ptr<UploadRun>();
  });
  for (std::uint64_t tick = 1; tick <= 40 * 60; ++tick) {
    clock.Advance(1000);
    scheduler.OnTick(tick, &c);
    if (tick == 10 * 60) c.local_copy = 1;  // nothing is due while uploads are off
  }
  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(started[0], std::make_pair(18, 1u));
  EXPECT_EQ(started[1], std::make_pair(33, 1u));
}

// ---- Runs ----

// A session whose every answer the test chooses; it records what it stored.
class ScriptedFtp final : public InternetProtocol {
 public:
  struct Script {
    int open_status = kFtpGood;
    long open_error = kInetErrorNone;
    int failures = 0;            // this many PutFile calls fail...
    long failure_error = 12030;  // ...with this error
    std::string failure_text;    // and this server text (kInetErrorExtended)
    std::int64_t put_ms = 0;     // each PutFile takes this long on the fake clock
    std::vector<std::string> stored;
    int resets = 0;
  };
  ScriptedFtp(Script& s, FakeClock& clock) : s_(s), clock_(clock) {}
  int Open() override { return s_.open_status; }
  bool ResetFTP() override {
    ++s_.resets;
    return true;
  }
  bool PutFile(const std::string& local, const std::string& folder, const std::string& name) override {
    clock_.Advance(s_.put_ms);
    if (s_.failures > 0) {
      --s_.failures;
      return false;
    }
    s_.stored.push_back(ConvertPathToForwardSlashes(folder) + "/" + name + "<" + local);
    return true;
  }
  int status() const override { return s_.open_status; }
  long error() const override { return s_.open_status != kFtpGood ? s_.open_error : s_.failure_error; }
  std::string response() const override { return s_.failure_text; }

 private:
  Script& s_;
  FakeClock& clock_;
};

PageData CurrentData() {
  PageData d;
  d.current.outside_temp = 725;
  d.current.inside_temp = 701;
  d.current.outside_hum = 55;
  d.current.barometer = 29921;
  return d;
}

class UploadRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    station_folder_ = dir_ / "Hill";
    fs::create_directories(station_folder_ + "/Templates");
    ASSERT_EQ(station_.SetStationModel(6), 0);
    station_.SetName("Hill Top");
    station_.SetFolder(station_folder_);
    ASSERT_EQ(station_.Save(), 0);
    config_.SetDefaults();
    StoreText(config_.ftp_host, sizeof config_.ftp_host, "127.0.0.1");
    StoreText(config_.ftp_user, sizeof config_.ftp_user, "wx");
    StoreText(config_.ftp_password, sizeof config_.ftp_password, "secret");
    StoreText(config_.local_folder, sizeof config_.local_folder, (dir_ / "copy").c_str());
    config_.proxy_mode = kProxyNone;
    WriteText(station_folder_ + "/Templates/now.htx", "<p>T=<!--outsideTemp--></p>\n");
    WriteText(dir_ / "logo.png", "PNG bytes");
    WriteText(dir_ / "notes.txt", "notes");
  }

  void ListFiles(int profile, const std::vector<ProfileFile>& files) {
    auto& p = config_.Profile(profile);
    ASSERT_TRUE(WriteProfileList(station_folder_, LoadText(p.list_name, sizeof p.list_name), files));
  }

  UploadServices Services() {
    UploadServices s;
    s.log = [this](std::string_view text, std::string_view title) {
      log_.push_back(std::string(title) + ": " + std::string(text));
    };
    s.station_data = [](PageData* out, std::string*) {
      *out = CurrentData();
      return true;
    };
    s.images = [](int profile, const UploadParameters&, bool historical, const std::string& folder,
                  std::vector<std::string>* written, std::vector<std::string>*) {
      const std::string path = folder + (historical ? "RainHistory.gif" : "OutsideTemp.gif");
      WriteText(path, "GIF89a " + std::to_string(profile));
      written->push_back(path);
    };
    return s;
  }

  UploadServices ScriptedServices() {
    UploadServices s = Services();
    s.ftp = [this](const FtpSettings&) { return std::make_unique<ScriptedFtp>(script_, clock_); };
    return s;
  }

  bool Logged(const std::string& line) const { return std::find(log_.begin(), log_.end(), line) != log_.end(); }
  std::string LogText() const {
    std::string all;
    for (const auto& l : log_) all += l + "\n";
    return all;
  }

  TempDir dir_;
  std::string station_folder_;
  Station station_;
  InternetConfiguration config_;
  FakeClock clock_{kMidnightMs};
  ScriptedFtp::Script script_;
  std::vector<std::string> log_;
};

TEST_F(UploadRunTest, StagesRunOneStepAtATimeInOrder) {
  config_.local_copy = 1;
  auto& p = config_.Profile(1);
  p.current_images[0] = 2;
  ListFiles(1, {{"Now", station_folder_ + "/Templates/now.htx"}, {"Logo", dir_ / "logo.png"}});
  UploadRun run(config_, station_, clock_, 0x1 | upload_task::kDownload, [&] {
    auto s = Services();
    s.download = [] { return 12; };
    return s;
  }());
  std::vector<int> stages;
  int steps = 0;
  while (!run.Done() && steps < 100) {
    if (stages.empty() || stages.back() != run.stage()) stages.push_back(run.stage());
    run.Step();
    ++steps;
  }
  EXPECT_EQ(stages, (std::vector<int>{upload_stage::kDownload, upload_stage::kStationData, upload_stage::kTemplates,
                                      upload_stage::kCurrentImages, upload_stage::kConnect, upload_stage::kLocalCopy}));
  EXPECT_EQ(run.outcome(), UploadOutcome::kCompleted) << LogText();
  EXPECT_TRUE(Logged("Hill Top: Downloaded Hill Top ok."));
  EXPECT_TRUE(Logged("Hill Top: Upload of Data Upload Profile(s) 1  completed OK."));
  EXPECT_EQ(clock_.ElapsedMs(), 500);  // the pause after the download
  EXPECT_EQ(ReadText(station_folder_ + "/TemplateList.txt"),
            "Now\t\t\t\t" + station_folder_ + "/Templates/now.htx\t" + station_folder_ + "/Templates/now.htm\n");
  EXPECT_EQ(ReadText(dir_ / "copy/now.htm"), "<p>T=72.5</p>\n");
  EXPECT_EQ(ReadText(dir_ / "copy/logo.png"), "PNG bytes");
  EXPECT_EQ(ReadText(dir_ / "copy/OutsideTemp.gif"), "GIF89a 1");
}

TEST_F(UploadRunTest, FailedFileIsRetriedOnceAfterAReset) {
  config_.ftp_enabled = 1;
  ListFiles(1, {{"Logo", dir_ / "logo.png"}, {"Notes", dir_ / "notes.txt"}});
  script_.failures = 1;
  UploadRun run(config_, station_, clock_, 0x1, ScriptedServices());
  run.RunToEnd();
  EXPECT_EQ(script_.resets, 1);
  EXPECT_EQ(script_.stored.size(), 2u);
  EXPECT_TRUE(Logged("FTP: Error (12030) uploading file \"" + (dir_ / "logo.png") +
                     "\" to location \"\\\". Stratoquill will reset the FTP connection and try again."))
      << LogText();
  EXPECT_EQ(run.outcome(), UploadOutcome::kPartial);
  EXPECT_TRUE(Logged("Hill Top: Upload of Data Upload Profile(s) 1  partially completed. See error messages below."));
}

TEST_F(UploadRunTest, SecondFailureCancelsTheRestButTheLocalCopyStillRuns) {
  config_.ftp_enabled = 1;
  config_.local_copy = 1;
  ListFiles(1, {{"Logo", dir_ / "logo.png"}, {"Notes", dir_ / "notes.txt"}});
  script_.failures = 2;
  script_.failure_error = kInetErrorExtended;
  script_.failure_text = "552 Disk full.";
  UploadRun run(config_, station_, clock_, 0x1, ScriptedServices());
  run.RunToEnd();
  EXPECT_TRUE(script_.stored.empty());  // notes.txt was never tried
  const std::string logo = dir_ / "logo.png";
  EXPECT_TRUE(Logged("FTP: 552 Disk full."));
  EXPECT_TRUE(Logged("FTP: Error (text given below) while uploading file \"" + logo +
                     "\" to location \"\\\". Stratoquill will reset the FTP connection and try again."));
  EXPECT_TRUE(Logged("FTP: Error (text given below) while uploading file \"" + logo +
                     "\" to location \"\\\". FTP upload canceled."))
      << LogText();
  EXPECT_EQ(ReadText(dir_ / "copy/notes.txt"), "notes");
  EXPECT_EQ(run.outcome(), UploadOutcome::kPartial);
}

TEST_F(UploadRunTest, TransferOverFifteenMinutesEndsTheFtpPart) {
  config_.ftp_enabled = 1;
  ListFiles(1, {{"Logo", dir_ / "logo.png"}, {"Notes", dir_ / "notes.txt"}});
  script_.put_ms = kSlowUploadMs + 1;
  UploadRun run(config_, station_, clock_, 0x1, ScriptedServices());
  run.RunToEnd();
  EXPECT_EQ(script_.stored.size(), 1u);
  EXPECT_TRUE(Logged("FTP: Error: It took more than 15 minutes to upload file \"" + (dir_ / "logo.png") +
                     "\" to location \"\\\". Rest of FTP upload canceled."))
      << LogText();
  EXPECT_EQ(run.outcome(), UploadOutcome::kPartial);
}

TEST_F(UploadRunTest, LoginFailureIsLoggedAndTheLocalCopyStillRuns) {
  config_.ftp_enabled = 1;
  config_.local_copy = 1;
  ListFiles(1, {{"Logo", dir_ / "logo.png"}});
  script_.open_status = kFtpConnectFailed;
  script_.open_error = kInetErrorBadPassword;
  UploadRun run(config_, station_, clock_, 0x1, ScriptedServices());
  run.RunToEnd();
  EXPECT_TRUE(Logged("FTP:  Incorrect FTP Password for FTP name 'wx'.")) << LogText();
  EXPECT_EQ(ReadText(dir_ / "copy/logo.png"), "PNG bytes");
  EXPECT_EQ(run.outcome(), UploadOutcome::kPartial);
}

TEST_F(UploadRunTest, CancelEndsTheRunAtTheNextStep) {
  config_.ftp_enabled = 1;
  ListFiles(1, {{"Logo", dir_ / "logo.png"}});
  ListFiles(3, {{"Notes", dir_ / "notes.txt"}});
  UploadRun run(config_, station_, clock_, 0x1 | 0x4, ScriptedServices());
  run.Step();
  run.Cancel();
  run.Step();
  EXPECT_TRUE(run.Done());
  EXPECT_EQ(run.outcome(), UploadOutcome::kCancelled);
  EXPECT_TRUE(Logged("Hill Top: Upload of Data Upload Profile(s) 1 3  canceled by the user."));
  EXPECT_TRUE(script_.stored.empty());
}

TEST_F(UploadRunTest, DryRunMakesTheFilesAndListsWhatWouldBeSent) {
  config_.ftp_enabled = 1;
  config_.local_copy = 1;
  config_.Profile(1).reports = report_bit::kWeatherUnderground;
  ListFiles(1, {{"Now", station_folder_ + "/Templates/now.htx"}});
  std::vector<std::string> would;
  UploadServices s = Services();
  s.ftp = [](const FtpSettings&) -> std::unique_ptr<InternetProtocol> {
    ADD_FAILURE() << "a dry run connected";
    return nullptr;
  };
  s.dry_run = [&](const std::string& what) { would.push_back(what); };
  UploadRun run(config_, station_, clock_, 0x1, s);
  run.RunToEnd();
  const std::string page = station_folder_ + "/Templates/now.htm";
  EXPECT_EQ(would, (std::vector<std::string>{"send the new archive records to Weather Underground",
                                             "upload " + page + " to 127.0.0.1:now.htm",
                                             "copy " + page + " to " + (dir_ / "copy/now.htm")}));
  EXPECT_TRUE(fs::exists(page));
  EXPECT_FALSE(fs::exists(dir_ / "copy"));
}

TEST_F(UploadRunTest, UnusableWorkFileFailsTheRun) {
  fs::create_directories(station_folder_ + "/UploadList.txt/x");  // a folder where the file goes
  config_.local_copy = 1;
  UploadRun run(config_, station_, clock_, 0x2, Services());
  run.RunToEnd();
  EXPECT_EQ(run.outcome(), UploadOutcome::kFailed);
  EXPECT_TRUE(Logged("Hill Top: Unable to create Template List"));
  EXPECT_TRUE(
      Logged("Hill Top: Unable to upload Data Upload Profile(s) 2  because of errors. See error messages below."));
}

TEST_F(UploadRunTest, LocalCopyMakesMissingFoldersAndReportsOnesItCannot) {
  WriteText(dir_ / "src.txt", "x");
  std::string failed;
  EXPECT_EQ(CopyFileReplacing(dir_ / "src.txt", dir_ / "a/b/c/dst.txt", &failed), 0);
  EXPECT_EQ(ReadText(dir_ / "a/b/c/dst.txt"), "x");
  WriteText(dir_ / "src.txt", "y");
  EXPECT_EQ(CopyFileReplacing(dir_ / "src.txt", dir_ / "a/b/c/dst.txt", &failed), 0);
  EXPECT_EQ(ReadText(dir_ / "a/b/c/dst.txt"), "y");
  WriteText(dir_ / "file", "");
  EXPECT_NE(CopyFileReplacing(dir_ / "src.txt", dir_ / "file/sub/dst.txt", &failed), 0);
  std::string deep = dir_ / "d";
  for (int i = 0; i < kLocalCopyMaxLevels; ++i) deep += "/l";
  failed.clear();
  EXPECT_NE(CopyFileReplacing(dir_ / "src.txt", deep + "/dst.txt", &failed), 0);
  EXPECT_FALSE(failed.empty());
  EXPECT_NE(CopyFileReplacing(dir_ / "missing.txt", dir_ / "dst.txt", &failed), 0);
}

// The whole run, against a real FTP server.
class UploadServerTest : public UploadRunTest {
 protected:
  void SetUp() override {
    UploadRunTest::SetUp();
    fs::create_directories(dir_ / "ftproot");
    const std::string tool = SQ_MAKE_SYNTHETIC_DB;
    ASSERT_EQ(
        std::system((tool + " " + station_folder_ + " --years 1 --interval 120 --start 2024-01 >/dev/null").c_str()),
        0);
  }
  void UseServer(const FtpTestServer& server) {
    config_.ftp_port = static_cast<std::uint16_t>(server.port());
    config_.ftp_enabled = 1;
    config_.local_copy = 1;
    config_.passive = 1;
  }
};

TEST_F(UploadServerTest, TwoProfilesPublishEveryKindOfFile) {
  FtpTestServer server(dir_ / "ftproot");
  ASSERT_TRUE(server.ok());
  UseServer(server);
  StoreText(config_.ftp_folder, sizeof config_.ftp_folder, "\\www\\");
  auto& one = config_.Profile(1);
  ListFiles(1, {{"Now", station_folder_ + "/Templates/now.htx"}, {"Logo", dir_ / "logo.png"}});
  StoreText(one.page_folder, sizeof one.page_folder, "pages");
  StoreText(one.report_folder, sizeof one.report_folder, "reports\\");
  StoreText(one.current_image_folder, sizeof one.current_image_folder, "img\\now");
  one.reports = report_bit::kNoaaThisMonth | report_bit::kArchive2Day;
  one.current_images[0] = 2;
  auto& two = config_.Profile(2);
  StoreText(two.page_extension, sizeof two.page_extension, "html");
  ListFiles(2, {{"Now", station_folder_ + "/Templates/now.htx"}});
  StoreText(two.historical_image_folder, sizeof two.historical_image_folder, "img\\past");
  StoreText(two.report_folder, sizeof two.report_folder, "reports");
  two.reports = report_bit::kNoaaThisYear | report_bit::kArchive2Day | report_bit::kNoaaLastMonth;
  two.historical_images[0] = 1u << 12;

  UploadRun run(config_, station_, clock_, 0x3, Services());
  run.RunToEnd();
  EXPECT_EQ(run.outcome(), UploadOutcome::kCompleted) << LogText();
  EXPECT_TRUE(Logged("Hill Top: Upload of Data Upload Profile(s) 1 2  completed OK."));

  const std::string www = dir_ / "ftproot/www";
  const std::string copy = dir_ / "copy";
  const std::map<std::string, std::string> expected = {
      {"pages/now.htm", station_folder_ + "/Templates/now.htm"},
      {"pages/logo.png", dir_ / "logo.png"},
      {"now.html", station_folder_ + "/Templates/now.html"},
      {"reports/NOAAMO.TXT", station_folder_ + "/NOAAMO.TXT"},
      {"reports/NOAAPRMO.TXT", station_folder_ + "/NOAAPRMO.TXT"},
      {"reports/NOAAYR.TXT", station_folder_ + "/NOAAYR.TXT"},
      {"reports/downld02.txt", station_folder_ + "/downld02.txt"},
      {"img/now/OutsideTemp.gif", station_folder_ + "/Images/Profile1/OutsideTemp.gif"},
      {"img/past/RainHistory.gif", station_folder_ + "/Images/Profile2/RainHistory.gif"},
  };
  for (const auto& [remote, local] : expected) {
    SCOPED_TRACE(remote);
    const std::string want = ReadText(local);
    EXPECT_FALSE(want.empty());
    EXPECT_EQ(ReadText(www + "/" + remote), want);
    EXPECT_EQ(ReadText(copy + "/" + remote), want);
  }
  EXPECT_NE(ReadText(station_folder_ + "/NOAAMO.TXT").find("DEC"), std::string::npos);
  for (const auto* tree : {&www, &copy}) {
    std::size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(*tree)) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, expected.size()) << *tree;  // no temporary file left anywhere
  }
  // The reports 2-day line appears once for each profile that selects it.
  const auto lines = ReadUploadList(station_folder_);
  ASSERT_TRUE(lines);
  EXPECT_EQ(
      std::count_if(lines->begin(), lines->end(), [](const UploadLine& l) { return l.remote_name == "downld02.txt"; }),
      2);
}

TEST_F(UploadServerTest, ServerThatDropsMidFileCancelsTheRestOfTheFtpPart) {
  FtpTestServer server(dir_ / "ftproot", {"--drop-after", "1000", "--drops", "2"});
  ASSERT_TRUE(server.ok());
  UseServer(server);
  WriteText(dir_ / "big.bin", std::string(300000, 'b'));
  ListFiles(1, {{"Big", dir_ / "big.bin"}, {"Notes", dir_ / "notes.txt"}});
  UploadRun run(config_, station_, clock_, 0x1, Services());
  run.RunToEnd();
  EXPECT_EQ(run.outcome(), UploadOutcome::kPartial) << LogText();
  EXPECT_FALSE(fs::exists(dir_ / "ftproot/big.bin"));
  EXPECT_FALSE(fs::exists(dir_ / "ftproot/notes.txt"));
  EXPECT_NE(LogText().find("Stratoquill will reset the FTP connection and try again."), std::string::npos);
  EXPECT_EQ(ReadText(dir_ / "copy/big.bin"), std::string(300000, 'b'));
  EXPECT_EQ(ReadText(dir_ / "copy/notes.txt"), "notes");
}

}  // namespace
}  // namespace sq
