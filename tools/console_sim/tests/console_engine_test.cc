// The simulator's console side: the program's code for packets, HILOWS, archive
// records and configuration commands is checked against these bytes, so they are
// pinned here.
#include "tools/console_sim/console_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/crc16.h"

namespace sq::sim {
namespace {

std::vector<std::uint8_t> Say(ConsoleEngine& e, const std::string& text, std::int64_t now = 0) {
  std::vector<std::uint8_t> out;
  e.Receive(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), now, out);
  return out;
}

std::vector<std::uint8_t> Say(ConsoleEngine& e, const std::vector<std::uint8_t>& bytes, std::int64_t now = 0) {
  std::vector<std::uint8_t> out;
  e.Receive(bytes.data(), bytes.size(), now, out);
  return out;
}

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> v) {
  const std::uint16_t crc = Crc16(v);
  v.push_back(static_cast<std::uint8_t>(crc >> 8));
  v.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  return v;
}

SimOptions Unpaced() {
  SimOptions o;
  o.packet_interval_ms = 0;
  return o;
}

TEST(ConsoleEngine, PacketStreams) {
  ConsoleEngine e(Unpaced());
  struct Row {
    const char* legend;
    std::string command;
    std::vector<int> kinds;  // packet type byte of each packet
  };
  const Row rows[] = {
      {"LOOP", "LOOP 2\n", {0, 0}},
      {"LOOP2", "LPS 2 1\n", {1}},
      {"both alternately", "LPS 3 4\n", {0, 1, 0, 1}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    const auto out = Say(e, row.command, 1000);
    ASSERT_EQ(out.size(), 1 + row.kinds.size() * kPacketSize);
    EXPECT_EQ(out[0], 0x06);
    for (std::size_t i = 0; i < row.kinds.size(); ++i) {
      const std::uint8_t* p = out.data() + 1 + i * kPacketSize;
      EXPECT_EQ(std::string(p, p + 3), "LOO");
      EXPECT_EQ(p[4], row.kinds[i]);
      EXPECT_EQ(p[95], '\n');
      EXPECT_EQ(p[96], '\r');
      EXPECT_EQ(Crc16({p, kPacketSize}), 0);
    }
  }
  const auto loop = MakeLoopPacket(0);
  EXPECT_EQ(loop[7] | (loop[8] << 8), 29920) << "barometer at bytes 7..8";
  EXPECT_EQ(loop[33], 68) << "outside humidity at byte 33";
}

TEST(ConsoleEngine, StreamsArePacedAndEndWhenTheConsoleHearsSomething) {
  ConsoleEngine e({});  // a packet every 2 seconds, as a console
  auto out = Say(e, "LOOP 3\n", 1000);
  ASSERT_EQ(out.size(), 1 + kPacketSize);  // the acknowledgement and the first packet
  EXPECT_EQ(e.NextDueMs(), 3000);
  out.clear();
  e.Tick(2999, out);
  EXPECT_TRUE(out.empty());
  e.Tick(3000, out);
  EXPECT_EQ(out.size(), kPacketSize);
  EXPECT_EQ(e.NextDueMs(), 5000);
  // A carriage return ends the stream.
  (void)Say(e, "\r", 3500);
  EXPECT_EQ(e.NextDueMs(), -1);
  out.clear();
  e.Tick(10000, out);
  EXPECT_TRUE(out.empty());
  // A stream that falls silent, and one whose packet lacks its header.
  SimOptions o = Unpaced();
  o.silent_after_packets = 1;
  o.bad_header_packet = 0;
  ConsoleEngine f(o);
  out = Say(f, "LOOP 5\n");
  ASSERT_EQ(out.size(), 1 + kPacketSize);
  EXPECT_EQ(out[1], 'X');
  EXPECT_EQ(Crc16({out.data() + 1, kPacketSize}), 0);
}

TEST(ConsoleEngine, HiLowsAndCalibrationBlocks) {
  ConsoleEngine e({});
  auto out = Say(e, "HILOWS\n");
  ASSERT_EQ(out.size(), 1 + kHiLowsSize + 2);
  EXPECT_EQ(Crc16({out.data() + 1, kHiLowsSize + 2}), 0);
  out = Say(e, "CALED\n", 1000);
  ASSERT_EQ(out.size(), 1 + kCalibratedSize + 2);
  EXPECT_EQ(Crc16({out.data() + 1, kCalibratedSize + 2}), 0);
  std::vector<std::uint8_t> fix(kCalibratedSize, 0x11);
  EXPECT_EQ(Say(e, "CALFIX\n", 2000), std::vector<std::uint8_t>{0x06});
  EXPECT_EQ(Say(e, WithCrc(fix), 2000), std::vector<std::uint8_t>{0x06});
  EXPECT_EQ(e.calibrated(), fix);
}

TEST(ConsoleEngine, ConfigurationCommands) {
  ConsoleEngine e({});
  const std::vector<std::uint8_t> ok = {'\n', '\r', 'O', 'K', '\n', '\r'};
  EXPECT_EQ(Say(e, "SETPER 5\n"), ok);
  EXPECT_EQ(e.eeprom()[0x2D], 5);
  EXPECT_EQ(Say(e, "SETPER 7\n", 1000), std::vector<std::uint8_t>{0x15}) << "not a period";
  EXPECT_EQ(Say(e, "CLRLOG\n", 2000), std::vector<std::uint8_t>{0x06});
  EXPECT_TRUE(e.archive().empty());
  auto both = ok;
  both.insert(both.end(), {'D', 'O', 'N', 'E', '\n', '\r'});
  EXPECT_EQ(Say(e, "CLRGRA\n", 3000), both);
  EXPECT_EQ(Say(e, "EEWR 14 12\n", 4000), ok);
  EXPECT_EQ(e.eeprom()[0x14], 0x12);
  EXPECT_TRUE(Say(e, "\r", 4020).empty()) << "the command's own trailing CR";
  EXPECT_EQ(Say(e, "\r", 5000), (std::vector<std::uint8_t>{'\n', '\r'})) << "a later CR wakes";
  EXPECT_EQ(Say(e, "EEBRD FFF 2\n", 6000), std::vector<std::uint8_t>{0x15}) << "past the EEPROM";
  EXPECT_EQ(Say(e, "EEBWR 4D 2\n", 7000), std::vector<std::uint8_t>{0x06});
  EXPECT_EQ(Say(e, std::vector<std::uint8_t>{1, 2, 0, 0}, 7000), std::vector<std::uint8_t>{0x15}) << "bad CRC";
  EXPECT_EQ(e.eeprom()[0x4D], 0);
}

TEST(ConsoleEngine, ArchiveRecordsInBothLayouts) {
  ArchiveOptions o;
  o.records = 60;  // 30 hours at 30 minutes: crosses midnight
  o.missing_solar = true;
  const auto b = MakeArchive(o);
  ASSERT_EQ(b.size(), 60u);
  EXPECT_EQ(RecordDate(b[0]), 1 | (6 << 5) | (24 << 9));
  EXPECT_EQ(RecordTime(b[0]), 30);
  const auto midnight = std::find_if(b.begin(), b.end(), [](const Record& r) { return RecordTime(r) == 0; });
  ASSERT_NE(midnight, b.end());
  EXPECT_EQ(RecordDate(*midnight), 2 | (6 << 5) | (24 << 9)) << "midnight carries the new day's date";
  EXPECT_EQ((*midnight)[16] | ((*midnight)[17] << 8), 0x7FFF) << "no solar sensor";
  EXPECT_EQ((*midnight)[42], 0) << "newer layout marker";
  o.layout = 'a';
  const auto a = MakeArchive(o);
  EXPECT_EQ(a[0][42], 0xFF);
  EXPECT_EQ(a[0][43], 0xFF);
}

TEST(ConsoleEngine, ClockRunsFromTheNewestRecordAndFromSetTime) {
  ConsoleEngine e({});  // 100 records every 30 minutes from 2024-06-01: the last at 06-03 02:00
  auto out = Say(e, "GETTIME\n", 10'000);
  ASSERT_EQ(out.size(), 9u);
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 1, out.begin() + 7),
            (std::vector<std::uint8_t>{0, 0, 2, 3, 6, 124}));
  EXPECT_EQ(Say(e, "SETTIME\n", 20'000), std::vector<std::uint8_t>{0x06});
  EXPECT_EQ(Say(e, WithCrc({0, 59, 23, 31, 12, 124}), 20'000), std::vector<std::uint8_t>{0x06});
  out = Say(e, "GETTIME\n", 20'000 + 61'000);
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 1, out.begin() + 7),
            (std::vector<std::uint8_t>{1, 0, 0, 1, 1, 125}))
      << "61 seconds after 2024-12-31 23:59:00";
  EXPECT_EQ(Crc16({out.data() + 1, 8}), 0);
}

TEST(ConsoleEngine, DumpAnswersAndRejectsBadStamps) {
  ConsoleEngine e({});
  EXPECT_EQ(Say(e, "DMPAFT\n"), std::vector<std::uint8_t>{0x06});
  EXPECT_EQ(Say(e, std::vector<std::uint8_t>{0, 0, 0, 0, 1, 2}), std::vector<std::uint8_t>{0x15});
  EXPECT_EQ(Say(e, "DMPAFT\n", 1000), std::vector<std::uint8_t>{0x06});
  auto out = Say(e, WithCrc({0, 0, 0, 0}), 1000);
  ASSERT_EQ(out.size(), 1u + 6u);
  EXPECT_EQ(out[1] | (out[2] << 8), 20);
  EXPECT_EQ(Crc16({out.data() + 1, 6}), 0);
  out = Say(e, std::vector<std::uint8_t>{0x06}, 1000);
  ASSERT_EQ(out.size(), 267u);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(Crc16(out), 0);
  EXPECT_TRUE(Say(e, std::vector<std::uint8_t>{0x1B}, 1000).empty()) << "ESC ends the dump";
  EXPECT_EQ(Say(e, "\n", 2000), (std::vector<std::uint8_t>{'\n', '\r'}));
}

// A computer that stops answering anywhere in an exchange can wake the console again
// about two seconds later; before that the console still waits for it.
TEST(ConsoleEngine, ReturnsToCommandModeWhenTheComputerStopsAnswering) {
  const std::vector<std::uint8_t> kWoken = {'\n', '\r'};
  const std::vector<std::uint8_t> kAckByte = {0x06};
  constexpr std::int64_t kLater = ConsoleEngine::kHostTimeoutMs + 100;
  struct Row {
    std::string legend;
    int pages_acknowledged;  // -1: not in a dump
    std::string command;     // a command whose data never comes
  };
  std::vector<Row> rows = {
      {"dump confirmation", -1, "DMPAFT-confirm"},
      {"SETTIME data", -1, "SETTIME\n"},
      {"EEBWR data", -1, "EEBWR 32 1B\n"},
      {"CALFIX data", -1, "CALFIX\n"},
      {"DMPAFT stamp", -1, "DMPAFT\n"},
  };
  for (int k = 0; k < 4; ++k) rows.push_back({"page " + std::to_string(k) + " not acknowledged", k, ""});
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    SimOptions o;
    o.archive.records = 20;  // four pages
    ConsoleEngine e(o);
    std::int64_t t = 1000;
    if (!row.command.empty() && row.command != "DMPAFT-confirm") {
      ASSERT_EQ(Say(e, row.command, t), kAckByte);
      (void)Say(e, std::vector<std::uint8_t>{1, 2, 3}, t + 10);  // part of the data
    } else {
      ASSERT_EQ(Say(e, "DMPAFT\n", t), kAckByte);
      ASSERT_EQ(Say(e, WithCrc({0, 0, 0, 0}), t).size(), 7u);
      // The confirmation brings page 0, each acknowledgement the next page; the last
      // page sent is never acknowledged.
      for (int ack = 0; ack <= row.pages_acknowledged; ++ack) ASSERT_EQ(Say(e, kAckByte, t).size(), 267u);
    }
    EXPECT_NE(Say(e, "\n", t + 500), kWoken) << "still waiting for the computer";
    EXPECT_EQ(Say(e, "\n", t + 500 + kLater), kWoken);
    EXPECT_EQ(Say(e, "TEST\n", t + 600 + kLater), (std::vector<std::uint8_t>{'T', 'E', 'S', 'T', '\n', '\r'}));
  }
}

}  // namespace
}  // namespace sq::sim
