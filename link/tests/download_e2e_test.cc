// Whole downloads against the console simulator, on a pseudo-terminal and on loopback
// TCP: what lands in the database (every record once, summaries ahead of each day and
// equal to a recomputation), the faults of the line, and interruptions at every stage
// (cut link, failed or stopped writes, a killed process) followed by a download that
// must bring the database to exactly what an undisturbed download gives.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/extra_settings.h"
#include "database/daily_summary_ops.h"
#include "database/month_file.h"
#include "database/writer_lock.h"
#include "foundation/file_util.h"
#include "link/archive_download.h"
#include "link/corvale_session.h"
#include "link/tests/link_test_util.h"
#include "test_support/files.h"
#include "test_support/sim_channel.h"
#include "tools/console_sim/console_sim.h"

namespace sq {
namespace {

using testing::ReadText;
using testing::TempDir;

// Every record of a database in order, and its structure checked on the way.
struct DbImage {
  std::vector<RecordBytes> records;
  std::vector<std::pair<std::int32_t, int>> archive_times;  // date key, packed time
  std::string problem;                                      // empty when well formed
};

DbImage ReadImage(const std::string& folder) {
  DbImage img;
  WeatherDatabase db;
  const int open = db.OpenDatabase(folder, true);
  if (open == kDbNoFiles) return img;
  if (open != kDbOk) {
    img.problem = "does not open: " + db.last_error();
    return img;
  }
  std::int32_t day_key = -1;
  int in_day = 0;
  for (std::int32_t n = 0; n < db.total_records(); ++n) {
    RecordBytes r;
    DateTime d;
    if (db.GetRecord(&r, n) != kDbOk || db.GetDateLastRead(&d) != 1) {
      img.problem = "record " + std::to_string(n) + " unreadable";
      return img;
    }
    img.records.push_back(r);
    const std::int32_t key = d.GetPackedDate();
    if (key != day_key) {
      day_key = key;
      in_day = 0;
    }
    const int want = in_day == 0 ? kRecordTypeSummary1 : in_day == 1 ? kRecordTypeSummary2 : kRecordTypeArchive;
    if (r[0] != want)
      img.problem =
          "day " + std::to_string(key) + " record " + std::to_string(in_day) + " has type " + std::to_string(r[0]);
    ++in_day;
    if (r[0] == kRecordTypeArchive) {
      const int t = r[4] | (r[5] << 8);
      if (!img.archive_times.empty() && std::make_pair(key, t) <= img.archive_times.back()) {
        img.problem = "record " + std::to_string(n) + " is not newer than the one before";
      }
      img.archive_times.emplace_back(key, t);
    }
  }
  return img;
}

// The moments the simulator's archive holds, as the database stores them.
std::vector<std::pair<std::int32_t, int>> ExpectedTimes(const std::vector<sim::Record>& archive) {
  std::vector<std::pair<std::int32_t, int>> out;
  for (const auto& r : archive) {
    const auto t = ConsoleRecordTime(r);
    if (t) out.emplace_back(t->GetPackedDate(), t->packed_time);
  }
  return out;
}

struct Captured {
  std::vector<std::string> messages;
  std::vector<std::string> log;
  std::vector<DownloadProgress> progress;
  bool Said(const std::string& text) const {
    for (const auto& m : messages) {
      if (m.find(text) != std::string::npos) return true;
    }
    return false;
  }
};

class DownloadFixture : public ::testing::Test {
 protected:
  bool tcp() const { return tcp_; }

  void StartSim(sim::SimOptions o) {
    sim_.reset();
    sim_ = std::make_unique<sim::ConsoleSim>(o);
    ASSERT_TRUE(testing::StartSim(*sim_, tcp()));
  }

  CommSettings Settings() {
    CommSettings s;
    s.clock = &clock_;
    testing::ConnectTo(*sim_, tcp(), s);
    return s;
  }

  // A station of the current family in `folder`.
  static Station MakeStation(const std::string& folder, bool rain_db = false) {
    Station st;
    if (st.Load(folder) == 0) {
      st.SetRainDbInUse(rain_db);
      return st;
    }
    EXPECT_EQ(st.SetStationModel(5), 0);
    st.SetFolder(folder);
    st.SetName("Test");
    st.SetRainDbInUse(rain_db);
    EXPECT_EQ(st.Save(), 0);
    return st;
  }

  int Download(const std::string& folder, Captured* cap = nullptr, FileSystem* fs = nullptr, bool rain_db = false,
               SerialSession* session = nullptr, std::function<void(ArchiveDownload&)> inspect = {}) {
    Station st = MakeStation(folder, rain_db);
    std::unique_ptr<CorvaleSession> own;
    if (session == nullptr) {
      own = std::make_unique<CorvaleSession>(Settings());
      session = own.get();
    }
    DownloadOptions o;
    o.silent = true;
    o.fs = fs;
    Captured local;
    Captured& c = cap ? *cap : local;
    o.hooks.message = [&](std::string_view t, bool) { c.messages.emplace_back(t); };
    o.hooks.log = [&](std::string_view t) { c.log.emplace_back(t); };
    o.hooks.progress = [&](const DownloadProgress& p) { c.progress.push_back(p); };
    ArchiveDownload d(st, *session, o);
    const int r = d.Run();
    if (inspect) inspect(d);
    return r;
  }

  // The archive the simulator holds now.
  std::vector<sim::Record> SimArchive() {
    std::vector<sim::Record> a;
    sim_->WithEngine([&](sim::ConsoleEngine& e) { a = e.archive(); });
    return a;
  }
  void SetSimArchive(const sim::ArchiveOptions& o) {
    sim_->WithEngine([&](sim::ConsoleEngine& e) { e.archive() = sim::MakeArchive(o); });
  }

  // Summaries as stored equal a recomputation from the day's records.
  static void ExpectSummariesRecompute(const std::string& folder) {
    const DbImage before = ReadImage(folder);
    {
      Station st;
      (void)st.SetStationModel(5);
      WeatherDatabase db;
      ASSERT_EQ(db.OpenDatabase(folder), kDbOk);
      ASSERT_EQ(CalcDailySummary(db, st.GetSiteDescription()), 1);
    }
    const DbImage after = ReadImage(folder);
    ASSERT_EQ(before.records.size(), after.records.size());
    for (std::size_t i = 0; i < before.records.size(); ++i) {
      EXPECT_EQ(before.records[i], after.records[i]) << "record " << i << " type " << int(before.records[i][0]);
    }
  }

  bool tcp_ = false;
  FakeLinkClock clock_{60};
  std::unique_ptr<sim::ConsoleSim> sim_;
  TempDir dir_;
};

class DownloadTest : public DownloadFixture, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override { tcp_ = GetParam(); }
};

sim::SimOptions Archive(int records, char layout = 'b', int period = 30) {
  sim::SimOptions o;
  o.archive.records = records;
  o.archive.layout = layout;
  o.archive.period_minutes = period;
  return o;
}

TEST_P(DownloadTest, EmptyDatabaseThenNothingNew) {
  StartSim(Archive(100));
  const std::string folder = dir_.path().string();
  Captured cap;
  int start_entry = -1;
  EXPECT_EQ(Download(folder, &cap, nullptr, false, nullptr,
                     [&](ArchiveDownload& d) {
                       EXPECT_EQ(d.state().stamp.date, 0);
                       EXPECT_EQ(d.state().stamp.time, 0);
                       start_entry = d.state().start_entry;
                       EXPECT_EQ(d.records_stored(), 100);
                     }),
            kDownloadOk);
  EXPECT_EQ(start_entry, 0);
  const DbImage img = ReadImage(folder);
  EXPECT_EQ(img.problem, "");
  EXPECT_EQ(img.archive_times, ExpectedTimes(SimArchive()));
  ASSERT_FALSE(cap.progress.empty());
  EXPECT_EQ(cap.progress.back().pages_done, 20);
  EXPECT_EQ(ProgressLine(cap.progress.back()), "Transferred  20 of 20.");
  ExpectSummariesRecompute(folder);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / kDownloadJournalName));

  // The station keeps the console's archive period; records carry it and the wind
  // transmitter (the simulator's transmitter 1 of type 0: stored as 0).
  Station st;
  ASSERT_EQ(st.Load(folder), 0);
  EXPECT_EQ(st.record().extra[extra::kArchivePeriod - extra::kBase], 30);
  const auto rec = DecodeDataRecord(img.records.back());
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->archive_interval, 30);
  EXPECT_EQ(rec->flags_b & kFlagBTransmitterMask, 0);
  EXPECT_EQ(rec->extra_hum[0], 55) << "newer layout B from firmware of April 2002";
  EXPECT_EQ(rec->extra_temp[0], 160);

  Captured again;
  EXPECT_EQ(Download(folder, &again), kDownloadNothingNew);
  EXPECT_TRUE(again.Said("No new data to download."));
  EXPECT_EQ(ReadImage(folder).records, img.records);
}

TEST_P(DownloadTest, DamagedMonthWhereTheRecordsGoIsNamedAndLeftAlone) {
  StartSim(Archive(100));
  const std::string folder = dir_.path().string();
  ASSERT_EQ(Download(folder), kDownloadOk);
  std::string month;
  for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
    if (IsMonthFileName(e.path().filename().string())) month = e.path().filename().string();
  }
  ASSERT_FALSE(month.empty());
  // A month file cut short: it no longer opens.
  std::filesystem::resize_file(dir_.path() / month, 1000);
  const std::string damaged = ReadText(folder + "/" + month);
  sim::ArchiveOptions more;
  more.records = 150;
  SetSimArchive(more);
  (void)sim_->TakeReceived();

  Captured cap;
  EXPECT_EQ(Download(folder, &cap), kDownloadDbUnusable);
  EXPECT_TRUE(cap.Said("The month file " + month + " is damaged")) << ::testing::PrintToString(cap.messages);
  EXPECT_TRUE(cap.Said("stratoquill db check " + folder)) << ::testing::PrintToString(cap.messages);
  EXPECT_FALSE(cap.Said("Error writing data to disk"));
  EXPECT_TRUE(sim_->TakeReceived().empty());  // the console was not asked
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / kDownloadJournalName));
  EXPECT_EQ(ReadText(folder + "/" + month), damaged);
}

TEST_P(DownloadTest, SetupEndsInTimeWhenTheConsoleNeverAcknowledgesTheDump) {
  sim::SimOptions o = Archive(20);
  o.ignore_command = "DMPAFT";
  StartSim(o);
  Captured cap;
  const std::int64_t start = clock_.NowMs();
  EXPECT_EQ(Download(dir_.path().string(), &cap), kDownloadFailed);
  EXPECT_LE(clock_.NowMs() - start, 16000);
  EXPECT_TRUE(cap.Said("did not answer in time")) << ::testing::PrintToString(cap.messages);
}

TEST_P(DownloadTest, PartialDatabaseStartsInsideAPage) {
  // 98 stored records: the next one is the fourth of its page (start index 3).
  StartSim(Archive(98));
  const std::string folder = dir_.path().string();
  ASSERT_EQ(Download(folder), kDownloadOk);
  sim::ArchiveOptions more;
  more.records = 160;
  SetSimArchive(more);
  EXPECT_EQ(Download(folder, nullptr, nullptr, false, nullptr,
                     [](ArchiveDownload& d) {
                       EXPECT_EQ(d.state().start_entry, 3);
                       EXPECT_EQ(d.state().number_of_blocks, 13);
                       EXPECT_EQ(d.records_stored(), 62);
                     }),
            kDownloadOk);
  const DbImage img = ReadImage(folder);
  EXPECT_EQ(img.problem, "");
  EXPECT_EQ(img.archive_times, ExpectedTimes(SimArchive()));
  ExpectSummariesRecompute(folder);
}

TEST_P(DownloadTest, MidnightRecordEndsTheDay) {
  // 48 records every 30 minutes from 1 June 00:00: the last is 2 June 00:00, stored
  // as 1 June 24:00. The next download asks for 2 June 00:00 and gets only later ones.
  StartSim(Archive(48));
  const std::string folder = dir_.path().string();
  ASSERT_EQ(Download(folder), kDownloadOk);
  DbImage img = ReadImage(folder);
  ASSERT_FALSE(img.archive_times.empty());
  EXPECT_EQ(img.archive_times.back(), std::make_pair(2024 * 65536 + 6 * 256 + 1, 1440));
  sim::ArchiveOptions more;
  more.records = 60;
  SetSimArchive(more);
  EXPECT_EQ(Download(folder, nullptr, nullptr, false, nullptr,
                     [](ArchiveDownload& d) {
                       EXPECT_EQ(d.state().stamp.date, 2 + 6 * 32 + 24 * 512);
                       EXPECT_EQ(d.state().stamp.time, 0);
                       EXPECT_EQ(d.records_stored(), 12);
                     }),
            kDownloadOk);
  img = ReadImage(folder);
  EXPECT_EQ(img.problem, "");
  EXPECT_EQ(img.archive_times, ExpectedTimes(SimArchive()));
  ExpectSummariesRecompute(folder);
}

TEST_P(DownloadTest, LineFaultsAreRetried) {
  struct Row {
    const char* legend;
    void (*set)(sim::SimOptions&);
    const char* error;
  };
  const Row rows[] = {
      {"repeated page (our ACK lost)", [](sim::SimOptions& o) { o.repeat_page = 2; }, "Block number error."},
      {"CRC error", [](sim::SimOptions& o) { o.bad_crc_page = 1; }, "CRC error detected."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    sim::SimOptions o = Archive(40);
    row.set(o);
    StartSim(o);
    TempDir dir;
    Captured cap;
    EXPECT_EQ(Download(dir.path().string(), &cap), kDownloadOk);
    const DbImage img = ReadImage(dir.path().string());
    EXPECT_EQ(img.problem, "");
    EXPECT_EQ(img.archive_times, ExpectedTimes(SimArchive()));
    bool seen = false;
    for (const auto& p : cap.progress) {
      if (p.retries > 0 && ProgressLine(p).find(row.error) != std::string::npos) seen = true;
    }
    EXPECT_TRUE(seen) << "the retry shows in the progress line";
  }
}

TEST_P(DownloadTest, DroppedLinkGivesUpThenResumes) {
  // Over TCP the simulator closes the connection: the download stops at once. On a
  // pseudo-terminal it falls silent: the page is retried until the failure limit.
  sim::SimOptions o = Archive(60);
  o.drop_after_page = 4;
  StartSim(o);
  const std::string folder = dir_.path().string();
  Captured cap;
  const std::int64_t start = clock_.NowMs();
  EXPECT_EQ(Download(folder, &cap), kDownloadPartial);
  if (tcp()) {
    EXPECT_TRUE(cap.Said("The link to the console was lost during the download. The link to the console is gone"))
        << ::testing::PrintToString(cap.messages);
    EXPECT_LT(clock_.NowMs() - start, 5000);
  } else {
    EXPECT_TRUE(cap.Said("Gave up because of too many errors."));
  }
  DbImage img = ReadImage(folder);
  EXPECT_EQ(img.problem, "");
  ASSERT_GE(img.archive_times.size(), 20u) << "the pages before the drop are kept";
  const auto expected = ExpectedTimes(SimArchive());
  EXPECT_TRUE(std::equal(img.archive_times.begin(), img.archive_times.end(), expected.begin()));
  ASSERT_FALSE(cap.progress.empty());
  EXPECT_EQ(cap.progress.back().error_count, tcp() ? 0 : kMaxPageFailures);

  EXPECT_EQ(Download(folder), kDownloadOk);
  img = ReadImage(folder);
  EXPECT_EQ(img.problem, "");
  EXPECT_EQ(img.archive_times, expected);
  ExpectSummariesRecompute(folder);
}

TEST_P(DownloadTest, LayoutAFromOlderFirmware) {
  StartSim(Archive(12, 'a'));
  ASSERT_EQ(Download(dir_.path().string(), nullptr, nullptr, false, nullptr,
                     [](ArchiveDownload& d) { EXPECT_FALSE(d.state().layout.rev_b); }),
            kDownloadOk);
  const DbImage img = ReadImage(dir_.path().string());
  ASSERT_EQ(img.archive_times.size(), 12u);
  const auto rec = DecodeDataRecord(img.records.back());
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->soil_moisture[0], 25);
  EXPECT_EQ(rec->soil_temp[0], 150);
  EXPECT_EQ(rec->hi_solar_rad, kNoValue16);
}

TEST_P(DownloadTest, ArchivePeriodChange) {
  StartSim(Archive(30));
  const std::string folder = dir_.path().string();
  ASSERT_EQ(Download(folder), kDownloadOk);
  // The console's interval becomes 5 minutes, which empties its archive; new records
  // follow a day later.
  sim_->WithEngine([](sim::ConsoleEngine& e) {
    e.eeprom()[0x2D] = 5;
    sim::ArchiveOptions o;
    o.records = 40;
    o.period_minutes = 5;
    o.start_day = 3;
    e.archive() = sim::MakeArchive(o);
  });
  ASSERT_EQ(Download(folder), kDownloadOk);
  const DbImage img = ReadImage(folder);
  EXPECT_EQ(img.problem, "");
  ASSERT_EQ(img.archive_times.size(), 70u);
  EXPECT_EQ(DecodeDataRecord(img.records.back())->archive_interval, 5);
  Station st;
  ASSERT_EQ(st.Load(folder), 0);
  EXPECT_EQ(st.record().extra[extra::kArchivePeriod - extra::kBase], 5);
}

TEST_P(DownloadTest, SecondWriterIsRefused) {
  StartSim(Archive(10));
  const std::string folder = dir_.path().string();
  WriterLock other;
  std::string error;
  ASSERT_TRUE(other.Acquire(folder, &error));
  Captured cap;
  EXPECT_EQ(Download(folder, &cap), kDownloadFailed);
  ASSERT_EQ(cap.messages.size(), 1u);
  EXPECT_NE(cap.messages[0].find("Another program is writing to this station"), std::string::npos);
  EXPECT_TRUE(ReadImage(folder).records.empty());
}

TEST_P(DownloadTest, WrongModelIsExplained) {
  sim::SimOptions o = Archive(10);
  o.model = 2;
  StartSim(o);
  Captured cap;
  EXPECT_EQ(Download(dir_.path().string(), &cap), kDownloadFailed);
  ASSERT_EQ(cap.messages.size(), 1u);
  EXPECT_EQ(cap.messages[0], "A Brisant II was found. The program expects a different station model.");
}

// The console's pseudo-terminal hangs up in the middle of the pages: no waiting for
// pages that cannot come.
TEST_F(DownloadFixture, HungUpTerminalStopsAtOnce) {
  StartSim(Archive(60));
  const std::string folder = dir_.path().string();
  Station st = MakeStation(folder);
  CorvaleSession session(Settings());
  DownloadOptions o;
  o.silent = true;
  Captured cap;
  o.hooks.message = [&](std::string_view t, bool) { cap.messages.emplace_back(t); };
  o.hooks.progress = [&](const DownloadProgress& p) {
    cap.progress.push_back(p);
    if (p.pages_done == 3 && sim_) sim_->Stop();  // closes the terminal's master side
  };
  const std::int64_t start = clock_.NowMs();
  ArchiveDownload d(st, session, o);
  EXPECT_EQ(d.Run(), kDownloadPartial);
  EXPECT_LT(clock_.NowMs() - start, 5000);
  EXPECT_TRUE(cap.Said("The link to the console was lost during the download."))
      << ::testing::PrintToString(cap.messages);
  EXPECT_EQ(ReadImage(folder).archive_times.size(), 15u);
}

// Cut the link after every page: the first download keeps the pages before the cut,
// the second fetches exactly the rest.
TEST_P(DownloadTest, LinkCutAfterEveryPage) {
  const int kPages = 6;
  // (A cut after the last page leaves nothing to fetch.)
  for (int cut = 0; cut < kPages - 1; ++cut) {
    SCOPED_TRACE(cut);
    sim::SimOptions o = Archive(kPages * 5);
    o.drop_after_page = cut;
    StartSim(o);
    TempDir dir;
    const std::string folder = dir.path().string();
    EXPECT_NE(Download(folder), kDownloadNothingNew);
    EXPECT_EQ(ReadImage(folder).problem, "");
    EXPECT_EQ(Download(folder), kDownloadOk);
    const DbImage img = ReadImage(folder);
    EXPECT_EQ(img.problem, "");
    EXPECT_EQ(img.archive_times, ExpectedTimes(SimArchive()));
  }
}

INSTANTIATE_TEST_SUITE_P(Transports, DownloadTest, ::testing::Values(false, true), testing::ChannelName);

// ---------------------------------------------------------------- interruptions

// Two days that cross a month end, so that every kind of write happens.
sim::SimOptions MonthEnd(int records = 40) {
  sim::SimOptions o = Archive(records, 'b', 60);
  o.archive.start_day = 30;
  return o;
}

class DownloadInterruptTest : public DownloadFixture {
 protected:
  // An undisturbed download of the simulator's archive.
  DbImage Reference() {
    TempDir ref;
    EXPECT_EQ(Download(ref.path().string()), kDownloadOk);
    return ReadImage(ref.path().string());
  }

  // Runs a download on `fs`; when `fs` stopped, the files (the journal included) hold
  // what the dead process left.
  void DownloadThatDies(const std::string& folder, FaultFileSystem& fs) {
    Station st = MakeStation(folder);
    CorvaleSession session(Settings());
    DownloadOptions o;
    o.silent = true;
    o.fs = &fs;
    o.hooks.message = [](std::string_view, bool) {};
    o.hooks.log = [](std::string_view) {};
    ArchiveDownload d(st, session, o);
    (void)d.Run();
  }
};

TEST_F(DownloadInterruptTest, ProcessStopsAtEveryWrite) {
  StartSim(MonthEnd());
  const DbImage ref = Reference();
  ASSERT_EQ(ref.problem, "");
  ASSERT_EQ(ref.archive_times.size(), 40u);
  long writes = 0;
  {
    TempDir counting;
    FaultFileSystem count(DefaultFileSystem());
    count.Arm(FaultFileSystem::Mode::kFail, 1L << 40);
    ASSERT_EQ(Download(counting.path().string(), nullptr, &count), kDownloadOk);
    writes = count.mutations();
  }
  ASSERT_GT(writes, 20);
  for (long n = 1; n <= writes; ++n) {
    SCOPED_TRACE("stopped at write " + std::to_string(n));
    TempDir dir;
    const std::string folder = dir.path().string();
    FaultFileSystem fs(DefaultFileSystem());
    fs.Arm(FaultFileSystem::Mode::kStop, n);
    DownloadThatDies(folder, fs);
    ASSERT_EQ(ReadImage(folder).problem, "") << "the database opens and is well formed";
    const int second = Download(folder);
    EXPECT_TRUE(second == kDownloadOk || second == kDownloadNothingNew);
    const DbImage img = ReadImage(folder);
    EXPECT_EQ(img.archive_times, ref.archive_times);
    EXPECT_EQ(img.records, ref.records) << "summaries and records equal an undisturbed download";
  }
}

TEST_F(DownloadInterruptTest, FailedWriteStopsStoringWithoutLosingRecords) {
  StartSim(MonthEnd());
  const DbImage ref = Reference();
  long writes = 0;
  {
    TempDir counting;
    FaultFileSystem count(DefaultFileSystem());
    count.Arm(FaultFileSystem::Mode::kFail, 1L << 40);
    ASSERT_EQ(Download(counting.path().string(), nullptr, &count), kDownloadOk);
    writes = count.mutations();
  }
  for (long n = 1; n <= writes; ++n) {
    SCOPED_TRACE("write " + std::to_string(n) + " fails");
    TempDir dir;
    const std::string folder = dir.path().string();
    FaultFileSystem fs(DefaultFileSystem());
    fs.Arm(FaultFileSystem::Mode::kFail, n);
    Captured cap;
    const int first = Download(folder, &cap, &fs);
    if (first != kDownloadOk) {
      // A journal that cannot be written stops the download before anything is stored.
      EXPECT_TRUE(cap.Said("Error writing data to disk.  Check disk space.") ||
                  cap.Said("The download could not be started safely: " + folder + "/" + kDownloadJournalName));
    }
    ASSERT_EQ(ReadImage(folder).problem, "");
    (void)Download(folder);
    const DbImage img = ReadImage(folder);
    EXPECT_EQ(img.archive_times, ref.archive_times);
    EXPECT_EQ(img.records, ref.records);
  }
}

// A real process killed by its id after k pages, with the rain history in use; the
// next download completes the database and the rain history.
TEST_F(DownloadInterruptTest, KilledProcessThenResume) {
  tcp_ = true;                 // the killed process's connection closes with it
  ::signal(SIGPIPE, SIG_IGN);  // the simulator may still be writing to the dead peer
  sim::SimOptions o = MonthEnd(60);
  o.baud = 115200;  // slow enough for the kill to land inside the transfer
  StartSim(o);
  TempDir refdir;
  ASSERT_EQ(Download(refdir.path().string(), nullptr, nullptr, true), kDownloadOk);
  const DbImage ref = ReadImage(refdir.path().string());
  const std::string ref_rain = ReadText(refdir.path().string() + "/rain.db");
  ASSERT_FALSE(ref_rain.empty());

  for (int k : {0, 1, 5, 11}) {
    SCOPED_TRACE("killed after page " + std::to_string(k));
    TempDir dir;
    const std::string folder = dir.path().string();
    (void)MakeStation(folder, true);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const CommSettings settings = Settings();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(fds[0]);
      FakeLinkClock clock(60);
      CommSettings s = settings;
      s.clock = &clock;
      Station st;
      if (st.Load(folder) != 0) ::_exit(3);
      CorvaleSession session(s);
      DownloadOptions opt;
      opt.silent = true;
      opt.hooks.message = [](std::string_view, bool) {};
      opt.hooks.log = [](std::string_view) {};
      opt.hooks.progress = [&](const DownloadProgress& p) {
        const char page = static_cast<char>(p.pages_done);
        (void)!::write(fds[1], &page, 1);
      };
      ArchiveDownload d(st, session, opt);
      (void)d.Run();
      ::_exit(0);
    }
    ::close(fds[1]);
    char page = 0;
    pollfd p{fds[0], POLLIN, 0};
    // Safety bound only: the child reports every page long before this.
    while (::poll(&p, 1, 30000) == 1 && ::read(fds[0], &page, 1) == 1 && page < k) {
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(fds[0]);
    ASSERT_EQ(ReadImage(folder).problem, "");
    Captured cap;
    const int second = Download(folder, &cap, nullptr, true);
    EXPECT_TRUE(second == kDownloadOk || second == kDownloadNothingNew)
        << second << " " << (cap.messages.empty() ? "" : cap.messages[0]);
    const DbImage img = ReadImage(folder);
    EXPECT_EQ(img.archive_times, ref.archive_times);
    EXPECT_EQ(img.records, ref.records);
    EXPECT_EQ(ReadText(folder + "/rain.db"), ref_rain);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / kDownloadJournalName));
  }
}

// The two moments after the database is complete: before the rain history is saved,
// and after it is saved but before the journal goes.
TEST_F(DownloadInterruptTest, KilledAroundTheRainSave) {
  StartSim(MonthEnd(20));
  const std::string folder = dir_.path().string();
  ASSERT_EQ(Download(folder, nullptr, nullptr, true), kDownloadOk);
  const std::string rain_before = ReadText(folder + "/rain.db");
  DownloadJournal journal;
  {
    WeatherDatabase db;
    ASSERT_EQ(db.OpenDatabase(folder, true), kDbOk);
    journal.last_stored = LastArchiveTime(db);
  }
  journal.rain_fingerprint = RainFingerprint(DefaultFileSystem(), folder);
  sim::ArchiveOptions more = MonthEnd(45).archive;
  SetSimArchive(more);
  ASSERT_EQ(Download(folder, nullptr, nullptr, true), kDownloadOk);
  const std::string rain_after = ReadText(folder + "/rain.db");
  ASSERT_NE(rain_before, rain_after);

  struct Row {
    const char* legend;
    const std::string& rain_on_disk;
  };
  const Row rows[] = {{"before the rain save", rain_before}, {"before the journal removal", rain_after}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ASSERT_TRUE(WriteFileAtomic(folder + "/rain.db", row.rain_on_disk));
    ASSERT_TRUE(WriteDownloadJournal(DefaultFileSystem(), folder, journal));
    Captured cap;
    EXPECT_EQ(Download(folder, &cap, nullptr, true), kDownloadNothingNew);
    EXPECT_EQ(ReadText(folder + "/rain.db"), rain_after);
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / kDownloadJournalName));
  }
}

TEST_F(DownloadInterruptTest, ConfirmationAndAutomaticExport) {
  StartSim(Archive(20));
  const std::string folder = dir_.path().string();
  Station st = MakeStation(folder);
  st.SetAutoExport(true);
  ASSERT_EQ(st.Save(), 0);
  struct Row {
    const char* legend;
    bool answer;
    int export_result;
    int result;
    const char* logged;  // nullptr: nothing
  };
  const Row rows[] = {
      {"cancelled at the question", false, 0, kDownloadCancelled, nullptr},
      {"export fails after the download", true, -1, kDownloadStoredWithErrors,
       "Error writing /x/download.txt after download."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    CorvaleSession session(Settings());
    DownloadOptions o;  // interactive
    std::vector<std::string> questions, log;
    int exports = 0;
    o.hooks.message = [](std::string_view, bool) {};
    o.hooks.log = [&](std::string_view t) { log.emplace_back(t); };
    o.hooks.confirm = [&](std::string_view q, std::string_view caption) {
      questions.emplace_back(q);
      EXPECT_EQ(caption, "Download");
      return row.answer;
    };
    o.hooks.auto_export = [&](WeatherDatabase& db, std::string* name) {
      ++exports;
      EXPECT_EQ(db.NumberOfDataRecords(), 20);
      *name = "/x/download.txt";
      return row.export_result;
    };
    ArchiveDownload d(st, session, o);
    EXPECT_EQ(d.Run(), row.result);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "Transfer 4 pages (1%) to your PC from Test?\n(Each page holds up to 5 records.)");
    EXPECT_EQ(exports, row.answer ? 1 : 0);
    if (row.logged) {
      EXPECT_NE(std::find_if(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(row.logged, 0) == 0; }),
                log.end());
    }
  }
}

// A console that announces pages of a ring: 513 pages when the oldest record shares
// the newest page, or an absurd count. Other commands go to the simulator.
class RingSession : public CorvaleSession {
 public:
  RingSession(const CommSettings& s, std::vector<sim::Record> ring, int newest_slot, int announced, int fail_with = 0)
      : CorvaleSession(s), ring_(std::move(ring)), newest_(newest_slot), announced_(announced), fail_with_(fail_with) {}
  int DumpAfter(std::uint16_t, std::uint16_t, int& pages, int& first_record) override {
    pages = announced_;
    first_record = (newest_ + 1) % 5;
    return 0;
  }
  int ReadDumpPage(int expected_seq, std::uint8_t& reply, std::size_t offset) override {
    reply = kNak;
    if (fail_with_ != 0) return fail_with_;
    const int first_page = ((newest_ + 1) / 5) % 512;
    const int page = (first_page + static_cast<int>(offset / kDumpPageStride)) % 512;
    EXPECT_EQ(expected_seq, static_cast<int>(offset / kDumpPageStride) & 0xFF);
    for (int r = 0; r < 5; ++r) {
      std::memcpy(buffer_.data() + offset + static_cast<std::size_t>(r) * 52,
                  ring_[static_cast<std::size_t>(page * 5 + r)].data(), 52);
    }
    return 0;
  }

 private:
  std::vector<sim::Record> ring_;
  int newest_;
  int announced_;
  int fail_with_;
};

TEST_F(DownloadInterruptTest, FullRingOf513Pages) {
  StartSim(Archive(10));
  // 2560 records in time order placed in a ring whose newest is slot 502 (page 100,
  // record 2): the dump starts at slot 503 and ends with page 100 again.
  sim::ArchiveOptions all;
  all.records = 2560;
  all.period_minutes = 5;
  const auto in_order = sim::MakeArchive(all);
  const int newest = 502;
  std::vector<sim::Record> ring(2560);
  for (int i = 0; i < 2560; ++i)
    ring[static_cast<std::size_t>((newest + 1 + i) % 2560)] = in_order[static_cast<std::size_t>(i)];
  RingSession session(Settings(), ring, newest, 513);
  const std::string folder = dir_.path().string();
  EXPECT_EQ(Download(folder, nullptr, nullptr, false, &session,
                     [](ArchiveDownload& d) {
                       EXPECT_EQ(d.state().number_of_blocks, 513);
                       EXPECT_EQ(d.state().start_entry, 3);
                       EXPECT_EQ(d.records_stored(), 2560);
                     }),
            kDownloadOk);
  const DbImage img = ReadImage(folder);
  EXPECT_EQ(img.problem, "");
  EXPECT_EQ(img.archive_times, ExpectedTimes(in_order));
}

TEST_F(DownloadInterruptTest, HostileConsoleNeverHangs) {
  StartSim(Archive(10));
  struct Row {
    const char* legend;
    int announced;
    int page_error;
    const char* said;
  };
  const Row rows[] = {
      {"absurd page count", 60000, 0, "The console announced 60000 pages; the program takes at most 1024"},
      {"every page garbage", 20, kErrCrc, "Gave up because of too many errors."},
      {"every page out of sequence", 20, kErrSequence, "Gave up because of too many errors."},
      {"every page incomplete", 20, kErrIncomplete, "Gave up because of too many errors."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    TempDir dir;
    RingSession session(Settings(), std::vector<sim::Record>(2560), 0, row.announced, row.page_error);
    Captured cap;
    EXPECT_EQ(Download(dir.path().string(), &cap, nullptr, false, &session), kDownloadFailed);
    EXPECT_TRUE(cap.Said(row.said));
    EXPECT_TRUE(ReadImage(dir.path().string()).records.empty());
    if (row.page_error != 0) {
      ASSERT_FALSE(cap.progress.empty());
      EXPECT_EQ(cap.progress.back().retries, kMaxPageFailures);
    }
  }
}

// ---------------------------------------------------------------- issue 17: data safety

// A rain history too large to read whole is left as it is: the download goes on without
// it and says so once.
TEST_F(DownloadInterruptTest, Issue17UnreadableRainHistoryIsNeverOverwritten) {
  StartSim(Archive(20));
  const std::string folder = dir_.path().string();
  std::string big;
  while (big.size() <= kMaxRainDbBytes) big += "2020 1 2 3 4 5 6 7 8 9 10 11 12\n";
  ASSERT_TRUE(WriteFileAtomic(folder + "/rain.db", big));
  Captured cap;
  EXPECT_EQ(Download(folder, &cap, nullptr, true), kDownloadOk);
  EXPECT_EQ(ReadWholeFile(folder + "/rain.db", 2 * kMaxRainDbBytes)->size(), big.size());
  const auto said = std::count_if(cap.messages.begin(), cap.messages.end(), [](const std::string& m) {
    return m.find("The rain history could not be read") != std::string::npos;
  });
  EXPECT_EQ(said, 1);
  EXPECT_EQ(ReadImage(folder).archive_times, ExpectedTimes(SimArchive()));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / kDownloadJournalName));
}

// A console whose answer names a first record outside its page.
class OddFirstRecordSession : public CorvaleSession {
 public:
  OddFirstRecordSession(const CommSettings& s, int first) : CorvaleSession(s), first_(first) {}
  int DumpAfter(std::uint16_t date, std::uint16_t time, int& pages, int& first_record) override {
    const int r = CorvaleSession::DumpAfter(date, time, pages, first_record);
    first_record = first_;
    return r;
  }

 private:
  int first_;
};

TEST_F(DownloadInterruptTest, Issue17FirstRecordOutsideThePageSkipsNothing) {
  for (const int first : {7, 65535}) {
    SCOPED_TRACE("first record " + std::to_string(first));
    StartSim(Archive(98));  // the next record is the fourth of its page
    TempDir dir;
    const std::string folder = dir.path().string();
    ASSERT_EQ(Download(folder), kDownloadOk);
    sim::ArchiveOptions more;
    more.records = 160;
    SetSimArchive(more);
    OddFirstRecordSession session(Settings(), first);
    Captured cap;
    EXPECT_EQ(Download(folder, &cap, nullptr, false, &session,
                       [](ArchiveDownload& d) { EXPECT_EQ(d.state().start_entry, 0); }),
              kDownloadOk);
    EXPECT_EQ(ReadImage(folder).archive_times, ExpectedTimes(SimArchive()));
    const auto logged = std::count_if(cap.log.begin(), cap.log.end(), [](const std::string& l) {
      return l.find("of the first page as the first new one") != std::string::npos;
    });
    EXPECT_EQ(logged, 1);
  }
}

// Sets the time field of the newest archive record of `folder` to `time`.
void DamageNewestTime(const std::string& folder, std::uint16_t time) {
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(folder), kDbOk);
  const std::int32_t last = db.NumberOfDataRecords() - 1;
  RecordBytes rec;
  ASSERT_EQ(db.GetArchiveRecord(&rec, last), kDbOk);
  rec[4] = static_cast<std::uint8_t>(time);
  rec[5] = static_cast<std::uint8_t>(time >> 8);
  ASSERT_EQ(db.EditArchiveRecord(rec, last), kDbOk);
  ASSERT_EQ(db.CloseDatabase(), kDbOk);
}

// A damaged or out-of-order newest record: the download starts after the newest valid
// moment, never stores a record twice, never rewrites an earlier day and names the file.
TEST_F(DownloadInterruptTest, Issue17DamagedNewestRecordTime) {
  struct Row {
    const char* legend;
    std::uint16_t time;
  };
  const Row rows[] = {{"time 0xFFFF", 0xFFFF}, {"00:05 after 05:00", 5}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    StartSim(MonthEnd(30));  // 30 June 01:00 .. 1 July 06:00, hourly
    TempDir dir;
    const std::string folder = dir.path().string();
    ASSERT_EQ(Download(folder), kDownloadOk);
    DamageNewestTime(folder, row.time);
    const auto june = ReadWholeFile(folder + "/2024-06.sqm", 1 << 20);
    ASSERT_TRUE(june);
    sim::ArchiveOptions more = MonthEnd(40).archive;
    SetSimArchive(more);
    Captured cap;
    EXPECT_EQ(Download(folder, &cap), kDownloadOk);
    EXPECT_EQ(*ReadWholeFile(folder + "/2024-06.sqm", 1 << 20), *june) << "the healthy month is untouched";
    EXPECT_TRUE(cap.Said("2024-07.sqm")) << "the message names the damaged month file";
    EXPECT_TRUE(cap.Said("stratoquill db check"));
    EXPECT_FALSE(cap.Said("Error writing data to disk"));
    // Every moment of the console once, and the damaged record where it was.
    auto times = ReadImage(folder).archive_times;
    const auto damaged = std::find_if(times.begin(), times.end(),
                                      [](const auto& t) { return t.second < 1 || t.second > 1440 || t.second == 5; });
    ASSERT_NE(damaged, times.end());
    times.erase(damaged);
    EXPECT_EQ(times, ExpectedTimes(SimArchive()));
  }
}

// Another process (`station set`) changes the settings after the download read them;
// the download then stores the console's archive period in the same file. Both
// changes stay.
TEST_F(DownloadInterruptTest, Issue17SettingsChangedDuringADownloadAreKept) {
  StartSim(Archive(10, 'b', 15));
  const std::string folder = dir_.path().string();
  Station st = MakeStation(folder);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Station other;
    if (other.Load(folder) != 0 || other.SetLatitude(51.5) != 0) ::_exit(1);
    StoreText(other.record().city, sizeof other.record().city, "London");
    ::_exit(other.Save() == 0 ? 0 : 2);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  CorvaleSession session(Settings());
  DownloadOptions o;
  o.silent = true;
  o.hooks.message = [](std::string_view, bool) {};
  o.hooks.log = [](std::string_view) {};
  ArchiveDownload d(st, session, o);
  ASSERT_EQ(d.Run(), kDownloadOk);

  Station back;
  ASSERT_EQ(back.Load(folder), 0);
  EXPECT_EQ(back.record().extra[extra::kArchivePeriod - extra::kBase], 15);
  EXPECT_FLOAT_EQ(back.record().latitude, 51.5f);
  EXPECT_STREQ(back.record().city, "London");
}

// The automatic export file or the rain history that cannot be written (a full disk):
// reported with a failure result, remembered in the journal, and written by the next
// download even when it finds no new data.
TEST_F(DownloadInterruptTest, Issue17WritesAfterTheRecordsThatFailAreReportedAndRetried) {
  StartSim(Archive(20));
  const std::string folder = dir_.path().string();
  Station st = MakeStation(folder, true);
  st.SetAutoExport(true);
  ASSERT_EQ(st.Save(), 0);
  int export_result = -1;
  int exports = 0;
  auto run = [&](Captured* cap) {
    CorvaleSession session(Settings());
    DownloadOptions o;
    o.silent = true;
    o.hooks.message = [&](std::string_view t, bool) { cap->messages.emplace_back(t); };
    o.hooks.log = [&](std::string_view t) { cap->log.emplace_back(t); };
    o.hooks.auto_export = [&](WeatherDatabase&, std::string* name) {
      ++exports;
      *name = folder + "/download.txt";
      return export_result;
    };
    ArchiveDownload d(st, session, o);
    return d.Run();
  };
  // The rain history's temporary name is taken by a folder: its save fails too.
  const std::string rain_tmp = TemporaryNameFor(folder + "/rain.db");
  std::filesystem::create_directory(rain_tmp);
  Captured first;
  EXPECT_EQ(run(&first), kDownloadStoredWithErrors);
  EXPECT_TRUE(first.Said("Error writing " + folder + "/download.txt after download."));
  EXPECT_TRUE(first.Said("The rain history " + folder + "/rain.db could not be saved"));
  EXPECT_EQ(ReadImage(folder).archive_times, ExpectedTimes(SimArchive())) << "every record is stored";
  auto journal = ReadDownloadJournal(DefaultFileSystem(), folder);
  ASSERT_TRUE(journal);
  EXPECT_TRUE(journal->export_pending);

  std::filesystem::remove(rain_tmp);
  export_result = 0;
  Captured second;
  EXPECT_EQ(run(&second), kDownloadNothingNew);
  EXPECT_EQ(exports, 2);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / kDownloadJournalName));
  EXPECT_NE(ReadText(folder + "/rain.db"), "") << "the rain of the first download reached the history";
}
}  // namespace
}  // namespace sq
