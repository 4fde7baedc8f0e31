// Decoding of real-time packets into the loop record: where every field comes from,
// the no-value codes, LOOP2 packets, and the checks that keep a damaged packet out.
#include "link/loop_record.h"

#include <gtest/gtest.h>

#include <functional>

#include "link/comm_protocol.h"
#include "link/crc16.h"
#include "link/hilows.h"
#include "tools/console_sim/sim_data.h"

namespace sq {
namespace {

namespace off = loop_offset;

LoopPacket Sealed(LoopPacket p) {
  Crc16Append(p.data(), loop_offset::kCrc);
  return p;
}

LoopPacket SimLoop(int n = 0) { return sim::MakeLoopPacket(n); }

void Put16(LoopPacket& p, std::size_t at, int v) {
  p[at] = static_cast<std::uint8_t>(v & 0xFF);
  p[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

LoopRecord Decoded(const LoopPacket& p, int family = kFamilyCorvale) {
  LoopRecord r;
  EXPECT_EQ(DecodeLoopPacket(p, family, r), kLoopOk);
  return r;
}

// A LOOP packet whose byte i holds i: every field shows which bytes it came from.
TEST(LoopRecordTest, EveryFieldComesFromItsOwnBytes) {
  LoopPacket p{};
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = static_cast<std::uint8_t>(i);
  p[0] = 'L', p[1] = 'O', p[2] = 'O', p[off::kPacketType] = 0;
  p[off::kBarTrend] = 0xEC;  // -20 as a signed byte
  const LoopRecord r = Decoded(Sealed(p));
  auto w = [](int lo) { return static_cast<std::int16_t>(lo | ((lo + 1) << 8)); };
  EXPECT_EQ(r.outside_temp, w(12));
  EXPECT_EQ(r.inside_temp, w(9));
  EXPECT_EQ(r.inside_hum, 11);
  EXPECT_EQ(r.outside_hum, 33);
  EXPECT_EQ(r.barometer, -32768) << "bytes 7..8 make 2055, below any barometer";
  EXPECT_EQ(r.wind_speed, 14);
  EXPECT_EQ(r.avg_wind_speed, 15);
  EXPECT_EQ(r.wind_dir, w(16));
  EXPECT_EQ(r.year_rain, w(54));
  EXPECT_EQ(r.day_rain, w(50));
  EXPECT_EQ(r.month_rain, w(52));
  EXPECT_EQ(r.storm_rain, w(46));
  EXPECT_EQ(r.rain_rate, w(41));
  EXPECT_EQ(r.day_et, w(56));
  EXPECT_EQ(r.month_et, w(58));
  EXPECT_EQ(r.year_et, w(60));
  EXPECT_EQ(r.solar, w(44));
  EXPECT_EQ(r.uv, 43);
  EXPECT_EQ(r.forecast_icons, 89);
  EXPECT_EQ(r.forecast_rule, 90);
  EXPECT_EQ(r.inside_alarms, 70);
  EXPECT_EQ(r.rain_alarms, 71);
  EXPECT_EQ(r.outside_alarms, w(72));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(r.extra_alarms[i], 74 + i);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(r.soil_leaf_alarms[i], 82 + i);
  EXPECT_EQ(r.sunrise, w(91));
  EXPECT_EQ(r.sunset, w(93));
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(r.extra_temps[i], 18 + i);
    EXPECT_EQ(r.extra_hums[i], 34 + i);
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r.soil_moistures[i], 62 + i);
    EXPECT_EQ(r.soil_temps[i], 25 + i);
    EXPECT_EQ(r.leaf_wetnesses[i], 66 + i);
    EXPECT_EQ(r.leaf_temps[i], 29 + i);
  }
  EXPECT_EQ(r.bar_trend, -20);
  EXPECT_EQ(r.transmitter_battery, 86);
  EXPECT_EQ(r.console_battery, w(87));
  EXPECT_EQ(r.loop2_value20, 32767) << "a LOOP packet leaves the LOOP2 values alone";
}

TEST(LoopRecordTest, NoValueCodesOfTheSensors) {
  struct Row {
    const char* legend;
    std::function<void(LoopPacket&)> set;
    std::function<int(const LoopRecord&)> field;
    int expected;
  };
  const std::vector<Row> rows = {
      {"barometer 15999", [](LoopPacket& p) { Put16(p, off::kBarometer, 15999); },
       [](const LoopRecord& r) { return r.barometer; }, -32768},
      {"barometer 16000", [](LoopPacket& p) { Put16(p, off::kBarometer, 16000); },
       [](const LoopRecord& r) { return r.barometer; }, 16000},
      {"barometer 32500", [](LoopPacket& p) { Put16(p, off::kBarometer, 32500); },
       [](const LoopRecord& r) { return r.barometer; }, 32500},
      {"barometer 32501", [](LoopPacket& p) { Put16(p, off::kBarometer, 32501); },
       [](const LoopRecord& r) { return r.barometer; }, -32768},
      {"outside humidity 127", [](LoopPacket& p) { p[off::kOutsideHum] = 127; },
       [](const LoopRecord& r) { return r.outside_hum; }, 255},
      {"outside humidity 128", [](LoopPacket& p) { p[off::kOutsideHum] = 128; },
       [](const LoopRecord& r) { return r.outside_hum; }, 255},
      {"outside humidity 100", [](LoopPacket& p) { p[off::kOutsideHum] = 100; },
       [](const LoopRecord& r) { return r.outside_hum; }, 100},
      {"inside humidity 127", [](LoopPacket& p) { p[off::kInsideHum] = 127; },
       [](const LoopRecord& r) { return r.inside_hum; }, 255},
      {"inside humidity 128", [](LoopPacket& p) { p[off::kInsideHum] = 128; },
       [](const LoopRecord& r) { return r.inside_hum; }, 255},
      {"extra humidity 7 at 128", [](LoopPacket& p) { p[off::kExtraHums + 6] = 128; },
       [](const LoopRecord& r) { return r.extra_hums[6]; }, 255},
      {"outside temperature 32767", [](LoopPacket& p) { Put16(p, off::kOutsideTemp, 32767); },
       [](const LoopRecord& r) { return r.outside_temp; }, -32768},
      {"inside temperature 32767", [](LoopPacket& p) { Put16(p, off::kInsideTemp, 32767); },
       [](const LoopRecord& r) { return r.inside_temp; }, -32768},
      {"outside temperature -10.5", [](LoopPacket& p) { Put16(p, off::kOutsideTemp, -105); },
       [](const LoopRecord& r) { return r.outside_temp; }, -105},
      {"solar 32767", [](LoopPacket& p) { Put16(p, off::kSolar, 32767); }, [](const LoopRecord& r) { return r.solar; },
       -32768},
      {"extra temperature 255", [](LoopPacket& p) { p[off::kExtraTemps] = 255; },
       [](const LoopRecord& r) { return r.extra_temps[0]; }, 255},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    LoopPacket p = SimLoop();
    row.set(p);
    EXPECT_EQ(row.field(Decoded(Sealed(p))), row.expected);
  }
}

TEST(LoopRecordTest, Loop2ChangesOnlyItsFiveValues) {
  LoopRecord r = Decoded(SimLoop(3));
  LoopRecord expected = r;
  const LoopPacket loop2 = sim::MakeLoop2Packet(0);
  ASSERT_EQ(DecodeLoopPacket(loop2, kFamilyCorvale, r), kLoopOk);
  expected.loop2_value20 = 50;
  expected.loop2_value22 = 12;
  expected.loop2_value54 = 29920;
  expected.loop2_value58 = 30;
  expected.loop2_value69 = 29850;
  EXPECT_EQ(r, expected);
}

TEST(LoopRecordTest, DamagedPacketsLeaveTheRecordAlone) {
  LoopPacket bad_header = SimLoop();
  bad_header[2] = 'X';
  // The oldest family's CRC leaves out byte 0.
  LoopPacket family0 = SimLoop();
  Crc16Append(family0.data() + 1, off::kCrc - 1);
  LoopPacket family0_bad_header = family0;
  family0_bad_header[0] = 'X';
  LoopPacket flipped = SimLoop();
  flipped[40] ^= 0x01;
  const LoopPacket good = SimLoop();
  const std::vector<std::uint8_t> short_packet(good.begin(), good.end() - 1);
  struct Row {
    const char* legend;
    std::span<const std::uint8_t> bytes;
    int family;
    int result;
  };
  const LoopPacket sealed_bad_header = Sealed(bad_header);
  const std::vector<Row> rows = {
      {"header not LOO", sealed_bad_header, kFamilyCorvale, kLoopBadHeader},
      {"one bit flipped", flipped, kFamilyCorvale, kLoopBadCrc},
      {"oldest family's CRC, checked as current family", family0, kFamilyCorvale, kLoopBadCrc},
      {"oldest family's CRC over bytes 1..98", family0, kFamilyBrisant, kLoopOk},
      {"oldest family: byte 0 is outside the CRC but not the header", family0_bad_header, kFamilyBrisant,
       kLoopBadHeader},
      {"unknown family: no CRC check", flipped, kFamilyProbe, kLoopOk},
      {"98 bytes", short_packet, kFamilyCorvale, kLoopPending},
      {"no bytes", {}, kFamilyCorvale, kLoopPending},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    LoopRecord r;
    EXPECT_EQ(DecodeLoopPacket(row.bytes, row.family, r), row.result);
    if (row.result != kLoopOk) {
      EXPECT_EQ(r, LoopRecord{});
    }
  }
}

TEST(LoopRecordTest, ConsoleBatteryVolts) {
  EXPECT_FLOAT_EQ(ConsoleBatteryVolts(518), 3.03f);
  EXPECT_FLOAT_EQ(ConsoleBatteryVolts(517), 3.02f);
  EXPECT_FLOAT_EQ(ConsoleBatteryVolts(780), 4.57f);
  EXPECT_EQ(ConsoleBatteryVolts(-32768), -32768.0f);
}

TEST(HiLowsTest, BlockCheckAndChangeCheck) {
  const auto sim_block = sim::MakeHiLows();
  HiLowsBlock block;
  std::copy(sim_block.begin(), sim_block.end(), block.begin());
  EXPECT_TRUE(HiLowsBlockOk(block));
  HiLowsCache cache;
  EXPECT_TRUE(cache.Update(block)) << "the first block is always new";
  EXPECT_FALSE(cache.Update(block)) << "an identical block is not passed on again";
  block[100] ^= 0x01;
  EXPECT_FALSE(HiLowsBlockOk(block));
  Crc16Append(block.data(), kHiLowsDataSize);
  EXPECT_TRUE(cache.Update(block));
  EXPECT_EQ(cache.block(), block);
}

}  // namespace
}  // namespace sq
