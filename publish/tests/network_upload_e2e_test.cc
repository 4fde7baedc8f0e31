// The uploads driven by their callers against the console simulator on loopback TCP
// and a recording HTTP server: the archive upload inside a whole download, and the
// real-time upload with its highs and lows.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "link/archive_download.h"
#include "link/corvale_session.h"
#include "link/tests/link_test_util.h"
#include "publish/network_logger.h"
#include "publish/tests/put_recorder.h"
#include "realtime/realtime_manager.h"
#include "tools/console_sim/console_sim.h"

namespace sq {
namespace {

class UploadE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::SimOptions o;
    o.archive.records = 23;  // 4 full pages and 3 records: three packets of 7 and one of 2
    sim_ = std::make_unique<sim::ConsoleSim>(o);
    ASSERT_TRUE(sim_->StartTcp(0));
    settings_.clock = &clock_;
    settings_.connection_type = kConnTcp;
    settings_.host = "127.0.0.1";
    settings_.tcp_port = std::to_string(sim_->port());
    ASSERT_EQ(station_.SetStationModel(5), 0);
    station_.SetFolder(dir_.path().string());
    station_.SetName("Hilltop");
    ASSERT_EQ(station_.Save(), 0);
  }

  NetworkLoggerOptions Options(int timeout_ms = 2000) {
    NetworkLoggerOptions o;
    o.account = {{1, 2, 3}, 42};
    o.url = server_.Url();
    o.title = "Hilltop";
    o.timeout_ms = timeout_ms;
    o.log = [this](std::string_view text, std::string_view) { log_.emplace_back(text); };
    return o;
  }

  int Download(NetworkLogger& logger) {
    CorvaleSession session(settings_);
    DownloadOptions o;
    o.silent = true;
    o.hooks.message = [](std::string_view, bool) {};
    o.hooks.log = [](std::string_view) {};
    o.hooks.upload = &logger;
    ArchiveDownload d(station_, session, o);
    return d.Run();
  }

  std::string SimArchiveBytes() {
    std::string all;
    sim_->WithEngine([&](sim::ConsoleEngine& e) {
      for (const auto& r : e.archive()) all.append(r.begin(), r.end());
    });
    return all;
  }

  testing::TempDir dir_;
  FakeLinkClock clock_{60};
  std::unique_ptr<sim::ConsoleSim> sim_;
  CommSettings settings_;
  Station station_;
  test::PutRecorder server_;
  std::vector<std::string> log_;
};

TEST_F(UploadE2e, WholeDownloadSendsEveryStoredRecordAsDownloaded) {
  CurlPacketPut put;
  NetworkLogger logger(put, Options());
  ASSERT_EQ(Download(logger), kDownloadOk);
  const auto reqs = server_.requests();
  ASSERT_EQ(reqs.size(), 5u);
  EXPECT_EQ(reqs[0].body.size(), 18u);
  EXPECT_EQ(reqs[0].body[1], 6);
  std::string records;
  for (std::size_t i = 1; i < reqs.size(); ++i) {
    EXPECT_EQ(reqs[i].method, "PUT");
    EXPECT_EQ(reqs[i].body[1], 7);
    const std::size_t n = static_cast<std::uint8_t>(reqs[i].body[11]);
    EXPECT_EQ(n, i < 4 ? 7u : 2u);
    ASSERT_EQ(reqs[i].body.size(), 12 + 52 * n);
    records += reqs[i].body.substr(12);
  }
  EXPECT_EQ(records, SimArchiveBytes());
  EXPECT_TRUE(log_.empty());

  // Nothing new: nothing is sent.
  EXPECT_EQ(Download(logger), kDownloadNothingNew);
  EXPECT_EQ(server_.requests().size(), 5u);
}

TEST_F(UploadE2e, ASilentServerDoesNotStopTheDownload) {
  server_.set_silent(true);
  CurlPacketPut put;
  NetworkLogger logger(put, Options(200));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Download(logger), kDownloadOk);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  // Two packets in a row without an answer: the start and the first 7 records. The rest
  // are dropped without a try, once, in the log.
  EXPECT_EQ(logger.archive_failed(), 5);
  EXPECT_EQ(logger.archive_sent(), 0);
  EXPECT_EQ(server_.requests().size(), 2u);
  EXPECT_EQ(log_.size(), 1u);
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(dir_.path().string()), kDbOk);
  EXPECT_EQ(db.total_records(), 23 + 2);  // every record stored, with the day's two summaries
}

TEST_F(UploadE2e, RealTimeUploadSendsHighsAndLowsOnlyWhenTheyChange) {
  CurlPacketPut put;
  NetworkLogger logger(put, Options());
  CorvaleSession session(settings_);
  HiLowsCache hilows;
  ASSERT_EQ(UploadCurrentConditions(logger, session, hilows, station_), kSendOk);
  ASSERT_EQ(UploadCurrentConditions(logger, session, hilows, station_), kSendOk);
  const auto reqs = server_.requests();
  ASSERT_EQ(reqs.size(), 3u);
  EXPECT_EQ(reqs[0].body[1], 4);
  EXPECT_EQ(reqs[0].body.size(), 147u);
  EXPECT_EQ(reqs[0].body.substr(11), std::string(hilows.block().begin(), hilows.block().begin() + 136));
  for (int i : {1, 2}) {
    EXPECT_EQ(reqs[i].body[1], 2);
    ASSERT_EQ(reqs[i].body.size(), 120u);
  }
}

// As in `run`: the real-time manager reads the highs and lows at its stream start and
// a changed block goes out at once; the real-time packet is made from the manager's
// last LOOP packet and LOOP2 values without asking the console again.
TEST_F(UploadE2e, RealTimeManagerFeedsTheUploadFromItsStream) {
  CurlPacketPut put;
  NetworkLogger logger(put, Options());
  CorvaleSession session(settings_);
  RealTimeHooks hooks;
  hooks.hilows_changed = [&](std::span<const std::uint8_t, kHiLowsBlockSize> block) {
    (void)logger.SendIPHiLowPacket(block.first<kHiLowsDataSize>());
  };
  RealTimeManager rt(session, clock_.fake(), BulletinSiteFrom(station_), hooks);
  rt.set_send_to_network(true);
  for (int i = 0; i < 50 && !rt.haveData(); ++i) rt.Poll();
  ASSERT_TRUE(rt.haveData());
  ASSERT_EQ(server_.requests().size(), 1u);
  std::size_t commands = 0;
  sim_->WithEngine([&](sim::ConsoleEngine& e) { commands = e.commands().size(); });

  ASSERT_EQ(UploadFromRealTime(logger, rt, station_), kSendOk);
  const auto reqs = server_.requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].body[1], 4);
  EXPECT_EQ(reqs[0].body.size(), 147u);
  EXPECT_EQ(reqs[1].body[1], 2);
  ASSERT_EQ(reqs[1].body.size(), 120u);
  const LoopPacket& loop = rt.lastLoopPacket();
  EXPECT_EQ(reqs[1].body.substr(20, 92), std::string(loop.begin() + 3, loop.begin() + 95));
  const auto value22 = static_cast<std::uint16_t>(rt.bulletin().record.loop2_value22);
  EXPECT_EQ(static_cast<std::uint8_t>(reqs[1].body[112]), value22 >> 8);
  EXPECT_EQ(static_cast<std::uint8_t>(reqs[1].body[113]), value22 & 0xFF);
  sim_->WithEngine([&](sim::ConsoleEngine& e) { EXPECT_EQ(e.commands().size(), commands); });
}

}  // namespace
}  // namespace sq
