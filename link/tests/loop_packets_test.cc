// Real-time packet streams against the console simulator (pseudo-terminal and loopback
// TCP), and against scripted peers for what the simulator does not do: packets cut
// into pieces, a bad header, a console that acknowledges and then stays silent, a
// damaged highs and lows block. Every time-out runs on a fake clock.
#include "link/loop_packets.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "link/corvale_session.h"
#include "link/crc16.h"
#include "link/tests/link_test_util.h"
#include "test_support/sim_channel.h"
#include "tools/console_sim/console_sim.h"

namespace sq {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

constexpr int kGraceMs = 300;

// Reads until the result is not "pending"; a prompt peer needs a few calls at most.
int ReadOne(LoopPackets& loop, LoopRecord& r) {
  int x = kLoopPending;
  for (int i = 0; i < 20 && x == kLoopPending; ++i) x = loop.ReadLoopPacket(r);
  return x;
}

std::vector<std::string> Commands(sim::ConsoleSim& sim) {
  std::vector<std::string> c;
  sim.WithEngine([&](sim::ConsoleEngine& e) { c = e.commands(); });
  return c;
}

bool EndsWith(const std::vector<std::uint8_t>& v, const std::vector<std::uint8_t>& tail) {
  return v.size() >= tail.size() && std::equal(tail.begin(), tail.end(), v.end() - static_cast<long>(tail.size()));
}

class LoopSimTest : public ::testing::TestWithParam<bool> {
 protected:
  static sim::SimOptions Unpaced() {
    sim::SimOptions o;
    o.packet_interval_ms = 0;
    return o;
  }
  // The packets of a stream come back to back unless a test asks for pacing.
  void Start(sim::SimOptions o = Unpaced(), int model = -1) {
    sim_ = std::make_unique<sim::ConsoleSim>(o);
    CommSettings s;
    s.clock = &clock_;
    ASSERT_TRUE(testing::StartSim(*sim_, GetParam()));
    testing::ConnectTo(*sim_, GetParam(), s);
    session_ = std::make_unique<CorvaleSession>(s);
    session_->set_station_model(model);
    loop_ = std::make_unique<LoopPackets>(*session_);
  }

  FakeLinkClock clock_{kGraceMs};
  std::unique_ptr<sim::ConsoleSim> sim_;
  std::unique_ptr<CorvaleSession> session_;
  std::unique_ptr<LoopPackets> loop_;
};

TEST_P(LoopSimTest, StreamOfLoopPackets) {
  Start();
  ASSERT_EQ(loop_->StartLoop(3, kLoopKindLoop), 0);
  EXPECT_EQ(Commands(*sim_).back(), "LOOP 3");
  LoopRecord r;
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(ReadOne(*loop_, r), kLoopOk);
    EXPECT_EQ(r.outside_temp, 655 + i);
    EXPECT_EQ(r.barometer, 29920 + i);
    const auto expected = sim::MakeLoopPacket(i);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), loop_->lastLoopPacket().begin()));
  }
  EXPECT_EQ(loop_->ReadLoopPacket(r), kLoopPending) << "the stream is used up";
  EXPECT_EQ(loop_->packetFill(), 0u);
  (void)sim_->TakeReceived();
  loop_->StopLoop();
  std::vector<std::uint8_t> stop;
  for (int i = 0; i < 400 && !EndsWith(stop, Bytes("\r\r")); ++i) {
    ::usleep(5000);  // the simulator's thread takes the bytes in its own time
    const auto more = sim_->TakeReceived();
    stop.insert(stop.end(), more.begin(), more.end());
  }
  EXPECT_EQ(stop, Bytes("\r\r"));

  // LOOP2 support was asked once and is remembered for the next stream.
  ASSERT_EQ(loop_->StartLoop(2, kLoopKindBoth), 0);
  const auto cmds = Commands(*sim_);
  EXPECT_EQ(cmds.back(), "LPS 3 4");
  EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "NVER"), 1);
}

TEST_P(LoopSimTest, BothKindsDoubleTheCountAndLoop2SetsOnlyItsValues) {
  Start();
  ASSERT_EQ(loop_->StartLoop(5, kLoopKindBoth), 0);
  EXPECT_EQ(Commands(*sim_).back(), "LPS 3 10");
  LoopRecord r;
  LoopRecord after_loop;
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(ReadOne(*loop_, r), kLoopOk);
    if (i % 2 == 0) {
      after_loop = r;
      EXPECT_EQ(r.outside_temp, 655 + i);
    } else {
      LoopRecord expected = after_loop;
      expected.loop2_value20 = 50;
      expected.loop2_value22 = 12;
      expected.loop2_value54 = 29920;
      expected.loop2_value58 = 30;
      expected.loop2_value69 = 29850;
      EXPECT_EQ(r, expected);
      const auto loop = sim::MakeLoopPacket(i - 1);
      EXPECT_TRUE(std::equal(loop.begin(), loop.end(), loop_->lastLoopPacket().begin()))
          << "the last LOOP packet is kept apart from a LOOP2 packet";
      EXPECT_EQ(loop_->lastPacket()[loop_offset::kPacketType], kLoop2PacketType);
    }
  }
  EXPECT_EQ(loop_->ReadLoopPacket(r), kLoopPending);
}

TEST_P(LoopSimTest, BadCrcIsRefusedAndTheStreamGoesOn) {
  sim::SimOptions o = Unpaced();
  o.bad_crc_packet = 1;
  Start(o);
  ASSERT_EQ(loop_->StartLoop(3, kLoopKindLoop), 0);
  LoopRecord r;
  ASSERT_EQ(ReadOne(*loop_, r), kLoopOk);
  EXPECT_EQ(ReadOne(*loop_, r), kLoopBadCrc);
  EXPECT_EQ(session_->lastError(), kErrCrc);
  EXPECT_EQ(session_->status() & (kStatusIoError | kStatusChecksumError), kStatusIoError | kStatusChecksumError);
  EXPECT_EQ(r.outside_temp, 655) << "the damaged packet changed nothing";
  ASSERT_EQ(ReadOne(*loop_, r), kLoopOk);
  EXPECT_EQ(r.outside_temp, 657);
}

TEST_P(LoopSimTest, GetLoopPackets) {
  Start();
  LoopRecord r;
  ASSERT_EQ(loop_->GetLoopPackets(r, kLoopKindLoop), 0);
  EXPECT_EQ(Commands(*sim_).back(), "LOOP 1");
  EXPECT_EQ(r.outside_temp, 655);
  EXPECT_EQ(r.loop2_value58, -32768);

  r.Reset();
  ASSERT_EQ(loop_->GetLoopPackets(r, kLoopKindBoth), 0);
  EXPECT_EQ(Commands(*sim_).back(), "LPS 3 2");
  EXPECT_EQ(r.outside_temp, 655) << "the LOOP packet of the pair";
  EXPECT_EQ(r.loop2_value58, 30) << "the LOOP2 packet of the pair";
}

TEST_P(LoopSimTest, HiLows) {
  Start();
  HiLowsBlock block{};
  const std::int64_t before = clock_.fake().ElapsedMs();
  ASSERT_EQ(loop_->GetHiLows(block), 0);
  EXPECT_EQ(Commands(*sim_).back(), "HILOWS");
  const auto expected = sim::MakeHiLows();
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), block.begin()));
  EXPECT_GE(clock_.fake().ElapsedMs() - before, 4 * kHiLowsStepPauseMs + kHiLowsAckPauseMs)
      << "the pauses run on the session's clock";
}

INSTANTIATE_TEST_SUITE_P(Channels, LoopSimTest, ::testing::Values(false, true), testing::ChannelName);

TEST(LoopStreamCommand, ChosenByKindModelAndFirmware) {
  struct Row {
    const char* legend;
    char layout;  // 'b': firmware 1.90, 'a': 1.50
    int model;
    int kind;
    int count;
    const char* command;
  };
  const Row rows[] = {
      {"LOOP2 firmware, both kinds", 'b', -1, kLoopKindBoth, 5, "LPS 3 10"},
      {"LOOP2 firmware, LOOP2 only", 'b', -1, kLoopKindLoop2, 4, "LPS 2 4"},
      {"LOOP2 firmware, LOOP", 'b', -1, kLoopKindLoop, 4, "LOOP 4"},
      {"older firmware: always LOOP", 'a', -1, kLoopKindBoth, 5, "LOOP 5"},
      {"older firmware: LOOP2 refused too", 'a', -1, kLoopKindLoop2, 2, "LOOP 2"},
      {"compact console streams LOOP2 whatever its firmware", 'a', 7, kLoopKindLoop2, 1, "LPS 2 1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    sim::SimOptions o;
    o.archive.layout = row.layout;
    o.archive.records = 0;
    sim::ConsoleSim sim(o);
    ASSERT_TRUE(sim.StartPty());
    FakeLinkClock clock(kGraceMs);
    CommSettings s;
    s.clock = &clock;
    s.device_path = sim.device_path();
    CorvaleSession session(s);
    session.set_station_model(row.model);
    LoopPackets loop(session);
    ASSERT_EQ(loop.StartLoop(row.count, row.kind), 0);
    EXPECT_EQ(Commands(sim).back(), row.command);
    EXPECT_EQ(session.transport().profile(), 4) << "the stream's read time-outs";
  }
}

// "Both kinds" from a console without LOOP2 is one LOOP packet: waiting for a second
// one that was never asked for would end in a false time-out.
TEST(LoopStreamCommand, BothKindsWithoutLoop2ReadOnePacket) {
  sim::SimOptions o;
  o.archive.layout = 'a';
  sim::ConsoleSim sim(o);
  ASSERT_TRUE(sim.StartPty());
  FakeLinkClock clock(kGraceMs);
  CommSettings s;
  s.clock = &clock;
  s.device_path = sim.device_path();
  CorvaleSession session(s);
  LoopPackets loop(session);
  LoopRecord r;
  const std::int64_t before = clock.fake().ElapsedMs();
  ASSERT_EQ(loop.GetLoopPackets(r, kLoopKindBoth), 0);
  EXPECT_LT(clock.fake().ElapsedMs() - before, kLoopPacketsLimitMs);
  EXPECT_EQ(Commands(sim).back(), "LOOP 1");
  EXPECT_EQ(r.outside_temp, 655);
}

TEST(LoopFailures, ConsoleThatDoesNotWake) {
  FakeLinkClock clock(testing::kAnswerGraceMs);
  sim::SimOptions o;
  o.never_wake = true;
  o.on_silence = [&clock] { clock.PeerSilent(); };
  sim::ConsoleSim sim(o);
  ASSERT_TRUE(sim.StartPty());
  CommSettings s;
  s.clock = &clock;
  s.device_path = sim.device_path();
  CorvaleSession session(s);
  LoopPackets loop(session);
  LoopRecord r;
  EXPECT_EQ(loop.GetLoopPackets(r, kLoopKindLoop), kErrNoWakeUp);
  EXPECT_EQ(loop.StartLoop(5, kLoopKindLoop), -1);
  EXPECT_EQ(r, LoopRecord{});
}

TEST(LoopFailures, ReadWithThePortClosed) {
  FakeLinkClock clock(50);
  CommSettings s;
  s.clock = &clock;
  s.device_path = "/nonexistent/tty";
  CorvaleSession session(s);
  LoopPackets loop(session);
  LoopRecord r;
  EXPECT_EQ(loop.ReadLoopPacket(r), kLoopNotOpen);
  EXPECT_EQ(loop.GetLoopPackets(r, kLoopKindLoop), -1);
}

// The far end of a loopback TCP connection that the test writes to.
class TcpPeer {
 public:
  TcpPeer() {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(listen_, 1) == 0 &&
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
      port_ = ntohs(a.sin_port);
    }
  }
  ~TcpPeer() {
    if (conn_ >= 0) ::close(conn_);
    ::close(listen_);
  }
  TcpPeer(const TcpPeer&) = delete;
  TcpPeer& operator=(const TcpPeer&) = delete;
  std::uint16_t port() const { return port_; }
  bool Accept() {
    conn_ = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    return conn_ >= 0;
  }
  void Send(const std::uint8_t* data, std::size_t n) { (void)!::send(conn_, data, n, MSG_NOSIGNAL); }
  void CloseSending() { ::shutdown(conn_, SHUT_WR); }
  // What arrives next (waits up to 2 s); empty when the connection ended.
  std::string ReceiveSome() {
    pollfd p{conn_, POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0) return {};
    char buf[256];
    const ssize_t n = ::recv(conn_, buf, sizeof buf, 0);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
  }

 private:
  int listen_ = -1;
  int conn_ = -1;
  std::uint16_t port_ = 0;
};

// A logger that acknowledges the stream and then sends nothing more: GetLoopPackets
// gives up after its minute (of the fake clock) and restores the command time-outs.
// Until the acknowledgement the program waits as long as a loaded machine may need for
// the logger's answers; after it, the logger is silent by design and the waits for it
// take no real time.
TEST(LoopFailures, GetLoopPacketsTimesOutAfterAMinute) {
  FakeLinkClock clock(testing::kAnswerGraceMs);
  TcpPeer net;
  std::thread console([&] {
    if (!net.Accept()) return;
    for (;;) {
      const std::string text = net.ReceiveSome();
      if (text.empty()) return;
      if (text.find("LOOP 1\n") != std::string::npos) {
        net.Send(&kAck, 1);
        clock.set_grace_ms(0);
        // Silence from here on, with the connection kept open (a closed one is not
        // silence but a link that is gone).
        while (!net.ReceiveSome().empty()) {
        }
        return;
      }
      if (text.back() == '\n') net.Send(reinterpret_cast<const std::uint8_t*>("\n\r"), 2);  // wake-up
    }
  });
  CommSettings s;
  s.clock = &clock;
  s.connection_type = kConnTcp;
  s.host = "127.0.0.1";
  s.tcp_port = std::to_string(net.port());
  CorvaleSession session(s);
  session.set_station_model(7);  // no firmware question
  LoopPackets loop(session);
  LoopRecord r;
  const std::int64_t before = clock.fake().ElapsedMs();
  EXPECT_EQ(loop.GetLoopPackets(r, kLoopKindLoop), -1);
  const std::int64_t waited = clock.fake().ElapsedMs() - before;
  EXPECT_GE(waited, kLoopPacketsLimitMs);
  EXPECT_LT(waited, kLoopPacketsLimitMs + 5000);
  EXPECT_EQ(session.transport().profile(), 0);
  EXPECT_EQ(r, LoopRecord{});
  session.Close();
  console.join();
}

// Packets cut into pieces arrive over several calls; the pieces are kept between them.
TEST(LoopPieces, PacketsAssembledAcrossCalls) {
  LoopPacket good = sim::MakeLoopPacket(4);
  LoopPacket lox = good;
  lox[2] = 'X';
  Crc16Append(lox.data(), loop_offset::kCrc);
  struct Row {
    const char* legend;
    LoopPacket packet;
    std::vector<std::size_t> pieces;
    std::vector<int> results;  // after each piece
  };
  const std::vector<Row> rows = {
      {"two reads", good, {40, 59}, {kLoopPending, kLoopOk}},
      {"three reads, one byte at the ends", good, {1, 97, 1}, {kLoopPending, kLoopPending, kLoopOk}},
      {"all at once", good, {99}, {kLoopOk}},
      {"header not LOO", lox, {50, 49}, {kLoopPending, kLoopBadHeader}},
  };
  for (const bool tcp : {false, true}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(tcp ? "tcp: " : "pty: ") + row.legend);
      FakeLinkClock clock(50);
      CommSettings s;
      s.clock = &clock;
      testing::ScriptedPeer pty;
      TcpPeer net;
      if (tcp) {
        s.connection_type = kConnTcp;
        s.host = "127.0.0.1";
        s.tcp_port = std::to_string(net.port());
      } else {
        s.device_path = pty.path();
      }
      CorvaleSession session(s);
      ASSERT_TRUE(session.Open());
      if (tcp) {
        ASSERT_TRUE(net.Accept());
      }
      LoopPackets loop(session);
      LoopRecord r;
      std::size_t sent = 0;
      for (std::size_t i = 0; i < row.pieces.size(); ++i) {
        const std::size_t n = row.pieces[i];
        if (tcp) {
          net.Send(row.packet.data() + sent, n);
        } else {
          pty.Send(std::vector<std::uint8_t>(row.packet.begin() + static_cast<long>(sent),
                                             row.packet.begin() + static_cast<long>(sent + n)));
        }
        sent += n;
        EXPECT_EQ(loop.ReadLoopPacket(r), row.results[i]) << "piece " << i;
        if (row.results[i] == kLoopPending) {
          EXPECT_EQ(loop.packetFill(), sent);
          EXPECT_EQ(r, LoopRecord{});
        }
      }
      EXPECT_EQ(loop.packetFill(), 0u);
      if (row.results.back() == kLoopOk) {
        EXPECT_EQ(r.outside_temp, 655 + 4);
      } else {
        EXPECT_EQ(session.lastError(), kErrMissedHeader);
      }
    }
  }
}

TEST(LoopHiLows, DamagedBlockIsRefused) {
  auto block = sim::MakeHiLows();
  block[200] ^= 0x10;
  testing::PtyResponder peer([&](const std::vector<std::uint8_t>& in) {
    const std::string text(in.begin(), in.end());
    if (text.find("HILOWS\n") != std::string::npos) {
      std::vector<std::uint8_t> out{kAck};
      out.insert(out.end(), block.begin(), block.end());
      return out;
    }
    if (!text.empty() && text.back() == '\n') return Bytes("\n\r");
    return std::vector<std::uint8_t>{};
  });
  FakeLinkClock clock(50);
  CommSettings s;
  s.clock = &clock;
  s.device_path = peer.path();
  CorvaleSession session(s);
  LoopPackets loop(session);
  HiLowsBlock out{};
  EXPECT_EQ(loop.GetHiLows(out), kHiLowsBadCrc);
  EXPECT_EQ(session.lastError(), kErrCrc);
  EXPECT_EQ(session.status() & kStatusChecksumError, kStatusChecksumError);
}

TEST(LoopHiLows, OnlyForTheCurrentFamily) {
  FakeLinkClock clock(50);
  CommSettings s;
  s.clock = &clock;
  s.console_family = kFamilyBrisant;
  s.device_path = "/nonexistent/tty";
  CorvaleSession session(s);
  LoopPackets loop(session);
  HiLowsBlock out{};
  EXPECT_EQ(loop.GetHiLows(out), -1);
}

// The USB bridge: the simulator's pseudo-terminal dressed up as a bridge in a fake
// sysfs tree. Packets and the block are taken in one piece each.
TEST(LoopUsb, BulkReads) {
  sim::SimOptions o;
  o.packet_interval_ms = 0;
  sim::ConsoleSim sim(o);
  ASSERT_TRUE(sim.StartPty());
  testing::TempDir dir;
  const fs::path tty = fs::path(sim.device_path());
  const std::string name = tty.filename().string();
  const fs::path usb = dir.path() / "devices" / "usb-1";
  fs::create_directories(usb / "intf" / name);
  std::ofstream(usb / "serial") << "0001\n";
  fs::create_directories(dir.path() / "class" / name);
  fs::create_directory_symlink(usb / "intf" / name, dir.path() / "class" / name / "device");

  FakeLinkClock clock(kGraceMs);
  CommSettings s;
  s.clock = &clock;
  s.connection_type = kConnUsb;
  s.sysfs_tty_root = (dir.path() / "class").string();
  s.dev_root = tty.parent_path().string();
  CorvaleSession session(s);
  LoopPackets loop(session);
  ASSERT_EQ(loop.StartLoop(2, kLoopKindLoop), 0);
  LoopRecord r;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(ReadOne(loop, r), kLoopOk);
    EXPECT_EQ(r.outside_temp, 655 + i);
  }
  EXPECT_EQ(loop.ReadLoopPacket(r), kLoopPending);
  EXPECT_EQ(session.lastError(), kErrTimeout);
  loop.StopLoop();
  HiLowsBlock block{};
  ASSERT_EQ(loop.GetHiLows(block), 0);
  const auto expected = sim::MakeHiLows();
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), block.begin()));
}

}  // namespace
}  // namespace sq
