// The real-time manager against the console simulator, on a pseudo-terminal and on
// loopback TCP: streams used up and renewed, damaged packets, a console that falls
// silent or never answers, LOOP2 and the highs and lows block. Waits run on a fake
// clock; only the simulator's own pauses (a few milliseconds) take real time.
#include "realtime/realtime_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/corvale_session.h"
#include "link/link_clock.h"
#include "test_support/sim_channel.h"
#include "tools/console_sim/console_sim.h"

namespace sq {
namespace {

constexpr int kGraceMs = 300;
constexpr int kMaxPolls = 400;

class ManagerTest : public ::testing::TestWithParam<bool> {
 protected:
  bool tcp() const { return GetParam(); }

  void Start(sim::SimOptions o = NoPause(), int grace_ms = kGraceMs) {
    clock_ = std::make_unique<FakeLinkClock>(grace_ms);
    sim_ = std::make_unique<sim::ConsoleSim>(o);
    CommSettings s;
    s.clock = clock_.get();
    ASSERT_TRUE(testing::StartSim(*sim_, tcp()));
    testing::ConnectTo(*sim_, tcp(), s);
    session_ = std::make_unique<CorvaleSession>(s);
    RealTimeHooks hooks;
    hooks.log = [this](std::string_view t) { log_.emplace_back(t); };
    hooks.message = [this](std::string_view t) { messages_.emplace_back(t); };
    hooks.updated = [this](const BulletinData&) { ++updates_; };
    hooks.hilows_changed = [this](std::span<const std::uint8_t, kHiLowsBlockSize>) { ++hilows_; };
    manager_ = std::make_unique<RealTimeManager>(*session_, clock_->fake(), BulletinSite{}, hooks);
  }

  static sim::SimOptions NoPause() {
    sim::SimOptions o;
    o.packet_interval_ms = 0;
    return o;
  }

  std::vector<std::string> Commands() {
    std::vector<std::string> c;
    sim_->WithEngine([&](sim::ConsoleEngine& e) { c = e.commands(); });
    return c;
  }
  int Count(const std::string& command) {
    int n = 0;
    for (const auto& c : Commands()) n += c == command;
    return n;
  }
  // Polls until `done` or the limit; returns the polls made.
  template <class F>
  int PollUntil(F done) {
    int n = 0;
    while (!done() && n < kMaxPolls) {
      manager_->Poll();
      ++n;
    }
    return n;
  }
  int per_stream() const { return tcp() ? kPacketsPerStreamTcp : kPacketsPerStream; }
  std::string loop_command() const { return "LOOP " + std::to_string(per_stream()); }

  std::unique_ptr<FakeLinkClock> clock_;
  std::unique_ptr<sim::ConsoleSim> sim_;
  std::unique_ptr<CorvaleSession> session_;
  std::unique_ptr<RealTimeManager> manager_;
  std::vector<std::string> log_, messages_;
  int updates_ = 0;
  int hilows_ = 0;
};

TEST_P(ManagerTest, StreamsAreRenewedWhenUsedUp) {
  Start();
  manager_->Poll();
  EXPECT_EQ(manager_->streamsStarted(), 1);
  EXPECT_EQ(manager_->packetsPerStream(), per_stream());
  EXPECT_EQ(Commands().back(), loop_command());
  PollUntil([&] { return updates_ == per_stream(); });
  EXPECT_EQ(updates_, per_stream());
  EXPECT_EQ(manager_->streamsStarted(), 1);
  manager_->Poll();  // used up: a new stream
  EXPECT_EQ(manager_->streamsStarted(), 2);
  EXPECT_EQ(Count(loop_command()), 2);
  if (tcp()) {
    EXPECT_EQ(sim_->connections(), 2);  // closed and reopened for each stream
  }
  EXPECT_TRUE(manager_->haveData());
  // The simulator's packet n reads 65.5 F + n tenths (n below 20).
  EXPECT_FLOAT_EQ(manager_->bulletin().outside_temp.now, (655 + (per_stream() - 1) % 20) / 10.0f);
  EXPECT_TRUE(log_.empty());
}

TEST_P(ManagerTest, BadCrcForcesANewStream) {
  sim::SimOptions o = NoPause();
  o.bad_crc_packet = 2;
  Start(o);
  PollUntil([&] { return !log_.empty(); });
  ASSERT_EQ(log_.size(), 1u);
  EXPECT_EQ(log_[0], "CRC error detected in loop packet.  Data ignored.");
  EXPECT_EQ(updates_, 2);  // the damaged packet changed nothing
  EXPECT_EQ(manager_->packetsThisStream(), manager_->packetsPerStream());
  manager_->Poll();
  EXPECT_EQ(manager_->streamsStarted(), 2);
  EXPECT_TRUE(messages_.empty());
}

TEST_P(ManagerTest, BadHeaderIsLoggedAndTheStreamGoesOn) {
  sim::SimOptions o = NoPause();
  o.bad_header_packet = 1;
  Start(o);
  PollUntil([&] { return updates_ == 3; });
  EXPECT_EQ(log_, std::vector<std::string>{"Bulletin header data error."});
  EXPECT_EQ(manager_->streamsStarted(), 1);
}

TEST_P(ManagerTest, SilenceOfMoreThanFifteenSecondsRestartsTheStream) {
  sim::SimOptions o = NoPause();
  o.silent_after_packets = 3;
  Start(o);
  PollUntil([&] { return updates_ == 3; });
  clock_->set_grace_ms(0);  // the console has sent all it will: waiting for it takes no real time
  const std::int64_t last = clock_->NowMs();
  std::int64_t silent_at_restart = -1;
  PollUntil([&] {
    if (manager_->packetsThisStream() == manager_->packetsPerStream()) silent_at_restart = clock_->NowMs() - last;
    return silent_at_restart >= 0;
  });
  ASSERT_GE(silent_at_restart, 0);
  EXPECT_GT(silent_at_restart, kSilenceLimitMs);
  EXPECT_LT(silent_at_restart, kSilenceLimitMs + 3000);  // the next poll after 15 s, not much later
  clock_->set_grace_ms(kGraceMs);                        // the new stream is answered
  manager_->Poll();
  EXPECT_EQ(manager_->streamsStarted(), 2);
  EXPECT_TRUE(log_.empty());
}

TEST_P(ManagerTest, FailingStartsAreCountedToTheLimit) {
  sim::SimOptions o = NoPause();
  o.never_wake = true;
  Start(o, 0);  // the console never answers: no wait needs real time
  const int limit = tcp() ? kStartFailureLimitTcp : kStartFailureLimit;
  for (int i = 1; i < limit; ++i) manager_->Poll();
  EXPECT_EQ(manager_->failures(), limit - 1);
  EXPECT_TRUE(messages_.empty());
  manager_->Poll();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("Bulletin failed to start ", 0), 0u) << messages_[0];
  EXPECT_EQ(log_, messages_);
  // In the background the log alone hears of it.
  manager_->set_background(true);
  for (int i = 0; i < limit; ++i) manager_->Poll();
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_EQ(log_.size(), 2u);
}

TEST_P(ManagerTest, NetworkExtrasReadLoop2AndAChangedHiLowsBlockOnly) {
  Start();
  manager_->set_send_to_network(true);
  manager_->Poll();
  EXPECT_EQ(Count("LPS 2 1"), 1);
  EXPECT_EQ(Count("HILOWS"), 1);
  EXPECT_EQ(hilows_, 1);
  PollUntil([&] { return manager_->streamsStarted() == 2; });
  EXPECT_EQ(Count("HILOWS"), 2);
  EXPECT_EQ(hilows_, 1);                                // the same block again is not passed on
  EXPECT_EQ(manager_->bulletin().loop2_values[0], 12);  // the value at 22
  EXPECT_EQ(manager_->failures(), 0);
}

TEST_P(ManagerTest, KeptHiLowsBlockIsReadAtTheFirstStreamThenEveryTenMinutes) {
  Start();
  manager_->set_keep_hilows(true);
  manager_->Poll();
  EXPECT_EQ(Count("HILOWS"), 1);
  EXPECT_EQ(Count("LPS 2 1"), 0);  // LOOP2 values only for the network
  EXPECT_EQ(hilows_, 0);           // nor is the block passed on
  PollUntil([&] { return updates_ > 0; });
  EXPECT_TRUE(manager_->bulletin().have_hilows);
  PollUntil([&] { return manager_->streamsStarted() == 2; });
  EXPECT_EQ(Count("HILOWS"), 1);
  clock_->fake().Advance(kHiLowsRefreshMs);
  PollUntil([&] { return manager_->streamsStarted() == 3; });
  EXPECT_EQ(Count("HILOWS"), 2);
}

TEST_P(ManagerTest, PacedStreamArrivesPacketByPacket) {
  sim::SimOptions o;
  o.packet_interval_ms = 20;
  Start(o);
  PollUntil([&] { return updates_ == 4; });
  EXPECT_EQ(updates_, 4);
  EXPECT_EQ(manager_->streamsStarted(), 1);
}

TEST_P(ManagerTest, LoggerPollReadsOnePacketEachTime) {
  Start();
  EXPECT_EQ(manager_->GetSQIPLoopData(), 0);
  EXPECT_EQ(updates_, 1);
  EXPECT_EQ(hilows_, 1);
  EXPECT_EQ(Count("LOOP 1"), 1);
  EXPECT_EQ(Count("LPS 2 1"), 1);
  EXPECT_EQ(manager_->bulletin().loop2_values[0], 12);
}

INSTANTIATE_TEST_SUITE_P(Channels, ManagerTest, ::testing::Values(false, true), testing::ChannelName);

}  // namespace
}  // namespace sq
