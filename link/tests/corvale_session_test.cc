// The current family's session against the console simulator, on a pseudo-terminal
// and on loopback TCP: the bytes of every command, wake-up, faults and reconnection.
#include "link/corvale_session.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <functional>
#include <memory>

#include "link/crc16.h"
#include "link/tests/link_test_util.h"
#include "test_support/sim_channel.h"
#include "tools/console_sim/console_sim.h"

namespace sq {
namespace {

using testing::Bytes;

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> v) {
  const std::uint16_t crc = Crc16(v);
  v.push_back(static_cast<std::uint8_t>(crc >> 8));
  v.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  return v;
}

std::vector<std::uint8_t> Cat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class CorvaleSessionTest : public ::testing::TestWithParam<bool> {
 protected:
  bool tcp() const { return GetParam(); }

  void Start(sim::SimOptions o = {}) {
    sim_ = std::make_unique<sim::ConsoleSim>(o);
    CommSettings s;
    s.clock = &clock_;
    ASSERT_TRUE(testing::StartSim(*sim_, tcp()));
    testing::ConnectTo(*sim_, tcp(), s);
    session_ = std::make_unique<CorvaleSession>(s);
  }

  // A fake clock: time-outs pass at once, a prompt simulator is still heard.
  FakeLinkClock clock_{300};
  std::unique_ptr<sim::ConsoleSim> sim_;
  std::unique_ptr<CorvaleSession> session_;
};

TEST_P(CorvaleSessionTest, CommandBytesOnTheWire) {
  Start();
  struct Row {
    const char* legend;
    std::function<int(CorvaleSession&)> op;
    std::vector<std::uint8_t> sent;
    int result;
  };
  std::uint8_t eeprom[4] = {};
  const std::uint8_t block[4] = {0xF5, 0x01, 0x95, 0xFC};
  const std::vector<Row> rows = {
      {"model code", [](CorvaleSession& s) { return s.GetModelNo(); },
       Cat(Bytes("\r"), {'W', 'R', 'D', 0x12, 0x4D, '\r'}), 16},
      {"console time",
       [](CorvaleSession& s) {
         ConsoleTime t;
         return s.GetTime(t) == 0 ? t.year * 100 + t.month : -1;
       },
       Bytes("\nGETTIME\n"), 2024 * 100 + 6},
      {"set time",
       [](CorvaleSession& s) {
         return s.SetTime({2025, 3, 9, 14, 7});
       },
       Cat(Bytes("\nSETTIME\n"), WithCrc({0, 7, 14, 9, 3, 125})), 0},
      {"firmware date",
       [](CorvaleSession& s) {
         FirmwareDate d;
         return s.GetFirmwareDate(d) == 0 ? d.year * 10000 + d.month * 100 + d.day : -1;
       },
       Bytes("\nVER\n"), 20020424},
      {"firmware version", [](CorvaleSession& s) { return s.GetFirmwareVersionNumber(); }, Bytes("\nNVER\n"), 190},
      {"archive period", [](CorvaleSession& s) { return s.GetArchivePeriod(); }, Bytes("\nEEBRD 2D 1\n"), 30},
      {"EEPROM block read",
       [&](CorvaleSession& s) { return s.ReadEeprom(eeprom, 0x0B, 4) == 0 ? eeprom[0] | (eeprom[1] << 8) : -1; },
       Bytes("\nEEBRD B 4\n"), 415},
      {"EEPROM block write", [&](CorvaleSession& s) { return s.WriteEeprom(0x0B, block, 4); },
       Cat(Bytes("\nEEBWR B 4\n"), WithCrc({0xF5, 0x01, 0x95, 0xFC})), 0},
      {"EEPROM byte write", [](CorvaleSession& s) { return s.WriteEepromText(0x12, 1); }, Bytes("\nEEWR 12 1\n\r"), 0},
      {"new setup", [](CorvaleSession& s) { return s.NewSetup() ? 0 : -1; }, Bytes("\nNEWSETUP\n"), 0},
      {"reception statistics",
       [](CorvaleSession& s) {
         std::array<int, 5> st{};
         return s.GetReceptionStats(st) == 0 ? st[1] : -1;
       },
       Bytes("\nRXCHECK\n"), 15},
      {"barometer data",
       [](CorvaleSession& s) {
         std::string text;
         return s.GetBarData(text) == 0 && text.find("BAR 29920") == 0 ? 0 : -1;
       },
       Bytes("\nBARDATA\n"), 0},
      {"dump after a date",
       [](CorvaleSession& s) {
         int pages = 0, first = 0;
         return s.DumpAfter(0x3021, 1230, pages, first) == 0 ? pages : -1;
       },
       Cat(Bytes("\nDMPAFT\n"), WithCrc({0x21, 0x30, 0xCE, 0x04})), 20},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    (void)sim_->TakeReceived();
    EXPECT_EQ(row.op(*session_), row.result);
    EXPECT_EQ(sim_->TakeReceived(), row.sent);
  }
  sim_->WithEngine([&](sim::ConsoleEngine& e) {
    EXPECT_EQ(e.eeprom()[0x0B], 0xF5) << "the block write reached the EEPROM";
    EXPECT_EQ(e.eeprom()[0x12], 1);
    EXPECT_EQ(e.console_time()[2], 14);
  });
}

TEST_P(CorvaleSessionTest, WakeUpFirstTryAfterMissesAndNever) {
  struct Row {
    const char* legend;
    int misses;
    bool never;
    int result;
    std::size_t line_feeds;
  };
  const Row rows[] = {{"first try", 0, false, 1, 1}, {"after misses", 3, false, 1, 4}, {"never", 0, true, 0, 5}};
  // The simulator says when it ignores a wake-up, so the count of tries never depends on
  // how fast it answers the others.
  clock_.set_grace_ms(testing::kAnswerGraceMs);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    sim::SimOptions o;
    o.wake_misses = row.misses;
    o.never_wake = row.never;
    o.on_silence = [this] { clock_.PeerSilent(); };
    Start(o);
    ASSERT_TRUE(session_->Open());
    EXPECT_EQ(session_->WakeUp(), row.result);
    const auto sent = sim_->TakeReceived();
    EXPECT_EQ(static_cast<std::size_t>(std::count(sent.begin(), sent.end(), '\n')), row.line_feeds);
    if (row.never) {
      ConsoleTime t;
      EXPECT_EQ(session_->GetTime(t), -1) << "every command fails when the console sleeps";
      EXPECT_TRUE(session_->status() & kStatusTimeout);
    }
  }
}

TEST_P(CorvaleSessionTest, DumpPagesWithFaults) {
  sim::SimOptions o;
  o.archive.records = 48;  // 10 pages, the last one partly empty
  o.bad_crc_page = 2;
  o.repeat_page = 4;
  Start(o);
  int pages = 0, first = 0;
  ASSERT_EQ(session_->DumpAfter(0, 0, pages, first), 0);
  EXPECT_EQ(pages, 10);
  EXPECT_EQ(first, 0);
  ASSERT_EQ(session_->AllocDumpBuffer(pages), 0);
  session_->ClearInput();
  ASSERT_EQ(session_->PutChar(kAck), 0);
  int stored = 0, crc_errors = 0, repeats = 0;
  for (int guard = 0; stored < pages && guard < 40; ++guard) {
    std::uint8_t reply = 0;
    const int r = session_->ReadDumpPage(stored, reply, static_cast<std::size_t>(stored) * kDumpPageStride);
    if (r == 0) {
      ++stored;
      ASSERT_EQ(session_->PutChar(kAck), 0);
    } else if (r == kErrCrc) {
      ++crc_errors;
      EXPECT_TRUE(session_->status() & kStatusChecksumError);
      ASSERT_EQ(session_->PutChar(kNak), 0);
    } else {
      ASSERT_EQ(r, kErrSequence);
      EXPECT_EQ(reply, kAck) << "a repeated page is acknowledged, not stored";
      ++repeats;
      ASSERT_EQ(session_->PutChar(reply), 0);
    }
  }
  EXPECT_EQ(stored, pages);
  EXPECT_EQ(crc_errors, 1);
  EXPECT_EQ(repeats, 1);
  sim_->WithEngine([&](sim::ConsoleEngine& e) {
    for (std::size_t i = 0; i < e.archive().size(); ++i) {
      const std::size_t at = (i / 5) * kDumpPageStride + (i % 5) * 52;
      ASSERT_TRUE(std::equal(e.archive()[i].begin(), e.archive()[i].end(), session_->buffer().begin() + at)) << i;
    }
  });
  const std::size_t unused = 9 * kDumpPageStride + 3 * 52;
  EXPECT_EQ(session_->buffer()[unused + 2], 0xFF) << "empty slots carry no valid time";
  session_->ResizeDumpBuffer();
  EXPECT_EQ(session_->buffer().size(), kSessionBufferSize);
}

TEST_P(CorvaleSessionTest, DumpAfterAStampStartsInsideAPage) {
  Start();
  std::uint16_t date = 0, time = 0;
  sim_->WithEngine([&](sim::ConsoleEngine& e) {
    date = sim::RecordDate(e.archive()[7]);
    time = sim::RecordTime(e.archive()[7]);
  });
  int pages = 0, first = 0;
  ASSERT_EQ(session_->DumpAfter(date, time, pages, first), 0);
  EXPECT_EQ(pages, 19);  // records 8..99 lie in pages 1..19
  EXPECT_EQ(first, 3);
}

// Over TCP the connection closes: the link is gone. A pseudo-terminal falls silent:
// the page is incomplete.
TEST_P(CorvaleSessionTest, DroppedLinkEndsThePage) {
  sim::SimOptions o;
  o.drop_after_page = 1;
  Start(o);
  int pages = 0, first = 0;
  ASSERT_EQ(session_->DumpAfter(0, 0, pages, first), 0);
  ASSERT_EQ(session_->AllocDumpBuffer(pages), 0);
  ASSERT_EQ(session_->PutChar(kAck), 0);
  std::uint8_t reply = 0;
  ASSERT_EQ(session_->ReadDumpPage(0, reply, 0), 0);
  ASSERT_EQ(session_->PutChar(kAck), 0);
  ASSERT_EQ(session_->ReadDumpPage(1, reply, kDumpPageStride), 0);
  ASSERT_EQ(session_->PutChar(kAck), 0);
  EXPECT_EQ(session_->ReadDumpPage(2, reply, 2 * kDumpPageStride), tcp() ? kErrLinkClosed : kErrIncomplete);
  EXPECT_EQ(session_->LinkClosed(), tcp());
  EXPECT_EQ(reply, kNak);
}

TEST_P(CorvaleSessionTest, BlockWriteNotAcknowledgedFails) {
  sim::SimOptions o;
  o.nak_block_writes = true;
  Start(o);
  const std::uint8_t data[2] = {1, 2};
  EXPECT_EQ(session_->WriteEeprom(0x4D, data, 2), -1);
  EXPECT_EQ(session_->lastError(), kErrNotAck);
  EXPECT_EQ(session_->status() & (kStatusIoError | kStatusProtocolError), kStatusIoError | kStatusProtocolError);
  sim_->WithEngine([](sim::ConsoleEngine& e) { EXPECT_EQ(e.eeprom()[0x4D], 0); });
}

TEST_P(CorvaleSessionTest, ReconnectsOnceAfterAFailedWrite) {
  if (!tcp()) GTEST_SKIP() << "a pseudo-terminal cannot refuse writes";
  Start();
  int pages = 0, first = 0;
  ASSERT_EQ(session_->DumpAfter(0, 0, pages, first), 0);
  ASSERT_EQ(session_->AllocDumpBuffer(pages), 0);
  ASSERT_EQ(session_->PutChar(kAck), 0);
  std::uint8_t reply = 0;
  ASSERT_EQ(session_->ReadDumpPage(0, reply, 0), 0);
  const std::vector<std::uint8_t> page0(session_->buffer().begin(), session_->buffer().begin() + kDumpPageStride);
  EXPECT_EQ(sim_->connections(), 1);
  // Break our side of the connection: the next write fails.
  ASSERT_EQ(::shutdown(static_cast<int>(session_->transport().handle()) - 1, SHUT_WR), 0);
  EXPECT_EQ(session_->PutChar(kEsc), 0) << "written again on a new connection";
  EXPECT_FALSE(gReconnecting);
  ASSERT_EQ(session_->buffer().size(), static_cast<std::size_t>(pages) * kDumpPageStride)
      << "the pages received so far survive the reconnection";
  EXPECT_TRUE(std::equal(page0.begin(), page0.end(), session_->buffer().begin()));
  ConsoleTime t;
  EXPECT_EQ(session_->GetTime(t), 0);
  EXPECT_EQ(t.year, 2024);
  EXPECT_EQ(sim_->connections(), 2);
}

INSTANTIATE_TEST_SUITE_P(Links, CorvaleSessionTest, ::testing::Values(false, true), testing::ChannelName);

TEST(SessionBytes, AcknowledgeNakTimeoutAndClosedPort) {
  FakeLinkClock clock;
  testing::ScriptedPeer peer;
  CommSettings s;
  s.device_path = peer.path();
  s.clock = &clock;
  CorvaleSession session(s);
  EXPECT_EQ(session.GetAcknowledge(), -1);
  EXPECT_EQ(session.errorText(), "GetACK: hComm");
  ASSERT_TRUE(session.Open());
  EXPECT_EQ(session.status() & 0x23u, 0x23u);
  peer.Send(std::vector<std::uint8_t>{kAck});
  EXPECT_EQ(session.GetAcknowledge(), 1);
  peer.Send(std::vector<std::uint8_t>{kNak});
  EXPECT_EQ(session.GetAcknowledge(), 0);
  EXPECT_EQ(session.lastError(), kErrNotAck);
  EXPECT_EQ(session.status() & 0x50000u, 0x50000u);
  EXPECT_EQ(session.errorText(), "GetAcknowledge () response: 0x15 (should be 0x06 <ACK>)");
  EXPECT_EQ(session.GetAcknowledge(), 0);  // nothing comes
  EXPECT_TRUE(session.status() & kStatusTimeout);
  EXPECT_EQ(session.lastError(), kErrNotAck) << "a time-out leaves the error as it was";
  peer.Send(std::vector<std::uint8_t>{kAck});
  EXPECT_EQ(session.GetAcknowledge(), 1);
  EXPECT_FALSE(session.status() & kStatusProtocolError);
  // Words go low byte first and count into the CRC; the CRC goes high byte first.
  ASSERT_EQ(session.PutWordCrc(0x0201), 0);
  ASSERT_EQ(session.PutCrc(), 0);
  const std::uint16_t crc = Crc16(std::vector<std::uint8_t>{0x01, 0x02});
  EXPECT_EQ(peer.Received(), (std::vector<std::uint8_t>{0x01, 0x02, static_cast<std::uint8_t>(crc >> 8),
                                                        static_cast<std::uint8_t>(crc & 0xFF)}));
}

}  // namespace
}  // namespace sq
