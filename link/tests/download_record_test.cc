// Console archive records: their moment (midnight, out-of-range times), the stamps
// asked for, the layout chosen by firmware date and marker bytes, and the conversion
// into DataRecord fields.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "link/archive_download.h"
#include "link/console_record.h"
#include "link/download_progress.h"

namespace sq {
namespace {

using Raw = std::array<std::uint8_t, kConsoleRecordSize>;

void Put16(Raw& r, std::size_t at, int v) {
  r[at] = static_cast<std::uint8_t>(v & 0xFF);
  r[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

Raw Record(int year, int month, int day, int time) {
  Raw r;
  r.fill(0xFF);
  Put16(r, 0, day | (month << 5) | ((year - 2000) << 9));
  Put16(r, 2, time);
  return r;
}

// A record whose values are all present.
Raw Plain(int time = 1230) {
  Raw r = Record(2024, 6, 1, time);
  Put16(r, 4, 700);
  Put16(r, 6, 710);
  Put16(r, 8, 690);
  Put16(r, 10, 3);
  Put16(r, 12, 40);
  Put16(r, 14, 29920);
  Put16(r, 16, 500);
  Put16(r, 18, 600);
  Put16(r, 20, 705);
  r[22] = 42;
  r[23] = 65;
  r[24] = 5;
  r[25] = 12;
  r[26] = 3;
  r[27] = 4;
  r[28] = 30;
  r[29] = 3;
  return r;
}

DateTime At(int y, int m, int d, int packed) {
  DateTime t(m, d, y);
  t.packed_time = static_cast<std::int16_t>(packed);
  t.UnpackTime();
  return t;
}

TEST(ConsoleRecordTime, MidnightAndRanges) {
  struct Row {
    const char* legend;
    Raw rec;
    bool valid;
    int year, month, day, packed;
  };
  const Row rows[] = {
      {"afternoon", Record(2024, 6, 1, 1230), true, 2024, 6, 1, 750},
      {"00:00 closes the previous day", Record(2024, 6, 2, 0), true, 2024, 6, 1, 1440},
      {"00:00 on 1 March of a leap year", Record(2024, 3, 1, 0), true, 2024, 2, 29, 1440},
      {"00:00 on 1 January", Record(2025, 1, 1, 0), true, 2024, 12, 31, 1440},
      {"24:00 stays on its day", Record(2024, 6, 1, 2400), true, 2024, 6, 1, 1440},
      {"23:59", Record(2024, 6, 1, 2359), true, 2024, 6, 1, 1439},
      {"minutes 60", Record(2024, 6, 1, 1260), false, 0, 0, 0, 0},
      {"24:01", Record(2024, 6, 1, 2401), false, 0, 0, 0, 0},
      {"25:00", Record(2024, 6, 1, 2500), false, 0, 0, 0, 0},
      {"empty slot", Record(2024, 6, 1, 0xFFFF), false, 0, 0, 0, 0},
      {"negative time word", Record(2024, 6, 1, 0x8000), false, 0, 0, 0, 0},
      {"month 13", Record(2024, 13, 1, 1200), false, 0, 0, 0, 0},
      {"30 February", Record(2024, 2, 30, 1200), false, 0, 0, 0, 0},
      {"day 0", Record(2024, 6, 0, 1200), false, 0, 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    const auto t = ConsoleRecordTime(row.rec);
    ASSERT_EQ(t.has_value(), row.valid);
    if (!t) continue;
    EXPECT_EQ(t->year, row.year);
    EXPECT_EQ(t->month, row.month);
    EXPECT_EQ(t->day, row.day);
    EXPECT_EQ(t->packed_time, row.packed);
  }
}

TEST(CorvaleStamps, LastStoredRecord) {
  struct Row {
    const char* legend;
    std::optional<DateTime> last;
    std::uint16_t date, time;
  };
  const Row rows[] = {
      {"empty database", std::nullopt, 0, 0},
      {"before 2000", At(1999, 12, 31, 600), 0, 0},
      {"12:30", At(2024, 6, 1, 750), static_cast<std::uint16_t>(1 + 6 * 32 + 24 * 512), 1230},
      {"24:00 asks for the next day at 00:00", At(2024, 6, 1, 1440), static_cast<std::uint16_t>(2 + 6 * 32 + 24 * 512),
       0},
      {"24:00 on 31 December", At(2024, 12, 31, 1440), static_cast<std::uint16_t>(1 + 1 * 32 + 25 * 512), 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    const CorvaleStamp s = StampFor(row.last);
    EXPECT_EQ(s.date, row.date);
    EXPECT_EQ(s.time, row.time);
  }
}

TEST(RecordLayout, FirmwareDateAndMarkers) {
  EXPECT_TRUE(LayoutFlagsFor(std::nullopt).rev_b && LayoutFlagsFor(std::nullopt).rev_b2);
  const LayoutFlags old_fw = LayoutFlagsFor(FirmwareDate{2002, 2, 28});
  const LayoutFlags mid_fw = LayoutFlagsFor(FirmwareDate{2002, 3, 15});
  const LayoutFlags new_fw = LayoutFlagsFor(FirmwareDate{2002, 3, 22});
  EXPECT_FALSE(old_fw.rev_b);
  EXPECT_TRUE(mid_fw.rev_b && !mid_fw.rev_b2);
  EXPECT_TRUE(new_fw.rev_b && new_fw.rev_b2);
  EXPECT_TRUE(LayoutFlagsFor(FirmwareDate{2002, 3, 1}).rev_b);

  struct Row {
    const char* legend;
    LayoutFlags flags;
    std::uint8_t b42, b43;
    ConsoleLayout layout;
  };
  const Row rows[] = {
      {"old firmware: always A", old_fw, 0, 7, ConsoleLayout::kA},
      {"15 March 2002, byte 43 = 0xFF: A", mid_fw, 0, 0xFF, ConsoleLayout::kA},
      {"15 March 2002, byte 43 set: B", mid_fw, 0xFF, 7, ConsoleLayout::kB},
      {"newer firmware, byte 42 = 0: B", new_fw, 0, 0xFF, ConsoleLayout::kB},
      {"newer firmware, byte 42 = 0xFF: A", new_fw, 0xFF, 7, ConsoleLayout::kA},
      {"newer firmware, byte 42 other: refused", new_fw, 5, 7, ConsoleLayout::kRejected},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    Raw r = Plain();
    r[42] = row.b42;
    r[43] = row.b43;
    EXPECT_EQ(SelectLayout(r, row.flags), row.layout);
  }
}

TEST(ConsoleRecordConversion, CommonFields) {
  ConversionContext ctx;
  ctx.archive_period = 10;
  ctx.transmitter = 2;
  ctx.rain_collector = 1;
  ctx.layout = {false, false};
  ConsoleRecordConverter conv(ctx);
  const DateTime when = At(2024, 6, 1, 750);

  const auto d = conv.Convert(Plain(), when);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->record_type, kRecordTypeArchive);
  EXPECT_EQ(d->archive_interval, 10);
  EXPECT_EQ(d->flags_b & kFlagBTransmitterMask, 2);
  EXPECT_EQ(d->packed_time, 750);
  EXPECT_EQ(d->outside_temp, 700);
  EXPECT_EQ(d->hi_outside_temp, 710);
  EXPECT_EQ(d->low_outside_temp, 690);
  EXPECT_EQ(d->inside_temp, 705);
  EXPECT_EQ(d->barometer, 29920);
  EXPECT_EQ(d->outside_hum, 650);
  EXPECT_EQ(d->inside_hum, 420);
  EXPECT_EQ(d->rain, 3 | (1 << 12));
  EXPECT_EQ(d->hi_rain_rate, 40);
  EXPECT_EQ(d->wind_speed, 50);
  EXPECT_EQ(d->hi_wind_speed, 120);
  EXPECT_EQ(d->wind_direction, 4);
  EXPECT_EQ(d->hi_wind_direction, 3);
  EXPECT_EQ(d->wind_samples, 600);
  EXPECT_EQ(d->solar_rad, 500);
  EXPECT_EQ(d->uv, 30);
  EXPECT_EQ(d->et, 3);
  EXPECT_EQ(d->extra_rad, kNoValue16) << "no position: no extra radiation";

  // No-value codes, one field at a time.
  struct Row {
    const char* legend;
    void (*change)(Raw&);
    bool (*check)(const DataRecord&);
  };
  const Row rows[] = {
      {"outside temperature 0x7FFF", [](Raw& r) { Put16(r, 4, 0x7FFF); },
       [](const DataRecord& x) { return x.outside_temp == kNoValue16 && x.hi_outside_temp == 710; }},
      {"high temperature missing takes the temperature", [](Raw& r) { Put16(r, 6, 0x7FFF); },
       [](const DataRecord& x) { return x.outside_temp == kNoValue16 && x.hi_outside_temp == kNoValue16; }},
      {"low temperature 0x7FFF", [](Raw& r) { Put16(r, 8, 0x7FFF); },
       [](const DataRecord& x) { return x.low_outside_temp == kNoValue16 && x.outside_temp == 700; }},
      {"barometer below 16000", [](Raw& r) { Put16(r, 14, 15999); },
       [](const DataRecord& x) { return x.barometer == kNoValue16; }},
      {"barometer 0x7FFF", [](Raw& r) { Put16(r, 14, 0x7FFF); },
       [](const DataRecord& x) { return x.barometer == kNoValue16; }},
      {"humidity 0x80 and 0xFF", [](Raw& r) { r[23] = 0x80, r[22] = 0xFF; },
       [](const DataRecord& x) { return x.outside_hum == kNoValue16 && x.inside_hum == kNoValue16; }},
      {"humidity above 100 is capped", [](Raw& r) { r[23] = 101; },
       [](const DataRecord& x) { return x.outside_hum == 1000; }},
      {"average wind 0xFF", [](Raw& r) { r[24] = 0xFF; },
       [](const DataRecord& x) { return x.wind_speed == 0 && x.wind_direction == 255 && x.hi_wind_speed == 120; }},
      {"calm: high wind 0", [](Raw& r) { r[25] = 0; },
       [](const DataRecord& x) { return x.wind_speed == 0 && x.wind_direction == 255 && x.hi_wind_speed == 0; }},
      {"high wind 0xFF is no value", [](Raw& r) { r[25] = 0xFF; },
       [](const DataRecord& x) {
         return x.hi_wind_speed == kNoValue16 && x.hi_wind_direction == 255 && x.wind_speed == 0 &&
                x.wind_direction == 255;
       }},
      {"solar 0x7FFF", [](Raw& r) { Put16(r, 16, 0x7FFF); },
       [](const DataRecord& x) { return x.solar_rad == kNoValue16; }},
      {"rain beyond the word's 12 bits", [](Raw& r) { Put16(r, 10, 5000); },
       [](const DataRecord& x) { return x.rain == kNoRain; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    Raw r = Plain();
    row.change(r);
    const auto x = conv.Convert(r, when);
    ASSERT_TRUE(x);
    EXPECT_TRUE(row.check(*x));
  }
}

TEST(ConsoleRecordConversion, LayoutPartsAndExtraRadiation) {
  Raw r = Plain();
  for (std::size_t i = 30; i < kConsoleRecordSize; ++i) r[i] = static_cast<std::uint8_t>(i);  // byte = offset
  const DateTime when = At(2024, 6, 1, 750);

  ConversionContext a;
  a.layout = {false, false};
  const auto ra = ConsoleRecordConverter(a).Convert(r, when);
  ASSERT_TRUE(ra);
  EXPECT_EQ(
      (std::array<int, 4>{ra->soil_moisture[0], ra->soil_moisture[1], ra->soil_moisture[2], ra->soil_moisture[3]}),
      (std::array<int, 4>{31, 32, 33, 34}));
  EXPECT_EQ(ra->soil_temp[0], 35);
  EXPECT_EQ(ra->soil_temp[3], 38);
  EXPECT_EQ(ra->leaf_wetness[0], 39);
  EXPECT_EQ(ra->leaf_wetness[3], 42);
  EXPECT_EQ(ra->extra_temp[0], 43);
  EXPECT_EQ(ra->extra_temp[1], 44);
  EXPECT_EQ(ra->extra_hum[0], 45);
  EXPECT_EQ(ra->extra_hum[1], 46);
  EXPECT_EQ(ra->hi_solar_rad, kNoValue16) << "layout A has no high solar radiation";

  ConversionContext b1;
  b1.layout = {true, false};  // byte 43 is not 0xFF: layout B of the older kind
  const auto rb1 = ConsoleRecordConverter(b1).Convert(r, when);
  ASSERT_TRUE(rb1);
  EXPECT_EQ(rb1->hi_solar_rad, 30 | (31 << 8));
  EXPECT_EQ(rb1->hi_uv, 32);
  EXPECT_EQ(rb1->spare_byte, 33);
  EXPECT_EQ(rb1->leaf_temp[0], 34);
  EXPECT_EQ(rb1->leaf_temp[1], 35);
  EXPECT_EQ(rb1->leaf_wetness[0], 36);
  EXPECT_EQ(rb1->leaf_wetness[1], 37);
  EXPECT_EQ(rb1->extra_hum[0], 38);
  EXPECT_EQ(rb1->extra_hum[1], 39);
  EXPECT_EQ(rb1->extra_temp[0], 40);
  EXPECT_EQ(rb1->extra_temp[2], 42);
  EXPECT_EQ(rb1->soil_temp[0], 44);
  EXPECT_EQ(rb1->soil_temp[1], 45);
  EXPECT_EQ(rb1->soil_temp[2], 40);
  EXPECT_EQ(rb1->soil_temp[3], 41);
  EXPECT_EQ(rb1->soil_moisture[0], 48);
  EXPECT_EQ(rb1->soil_moisture[3], 51);

  ConversionContext b2;
  b2.layout = {true, true};
  r[42] = 0;
  const auto rb2 = ConsoleRecordConverter(b2).Convert(r, when);
  ASSERT_TRUE(rb2);
  EXPECT_EQ(rb2->soil_temp[0], 38);
  EXPECT_EQ(rb2->soil_temp[3], 41);
  EXPECT_EQ(rb2->extra_hum[0], 43);
  EXPECT_EQ(rb2->extra_hum[1], 44);
  EXPECT_EQ(rb2->extra_temp[0], 45);
  EXPECT_EQ(rb2->extra_temp[2], 47);
  // Missing solar and UV leave their highs missing.
  Put16(r, 16, 0x7FFF);
  r[28] = 0xFF;
  const auto dark = ConsoleRecordConverter(b2).Convert(r, when);
  ASSERT_TRUE(dark);
  EXPECT_EQ(dark->hi_solar_rad, kNoValue16);
  EXPECT_EQ(dark->hi_uv, 255);

  r[42] = 9;
  EXPECT_FALSE(ConsoleRecordConverter(b2).Convert(r, when)) << "unknown layout is refused";

  // With a position, a sunny record gets an extra radiation value.
  ConversionContext sited;
  sited.layout = {false, false};
  sited.position_set = true;
  sited.site.latitude = 41.5;
  sited.site.longitude = -87.5;
  sited.site.time_zone_hours = -6;
  const auto rs = ConsoleRecordConverter(sited).Convert(Plain(), when);
  ASSERT_TRUE(rs);
  EXPECT_NE(rs->extra_rad, kNoValue16);
}

TEST(DownloadTexts, ConfirmationAndModelAndProgress) {
  EXPECT_EQ(ArchiveDownload::ConfirmText(20, "Home"),
            "Transfer 20 pages (4%) to your PC from Home?\n(Each page holds up to 5 records.)");
  EXPECT_NE(ArchiveDownload::ConfirmText(513, "Home").find("(100%)"), std::string::npos) << "never above 100";
  EXPECT_NE(ArchiveDownload::ConfirmText(512, "Home").find("(100%)"), std::string::npos);

  struct Row {
    int model;
    const char* first;
    const char* last;
  };
  const Row rows[] = {
      {0, "A Mistra III was found.", "Check your model selection in the Station Config. dialog box."},
      {3, "A Orvelline II was found.", "Check your model selection in the Station Config. dialog box."},
      {5, "An Voltara station was found.", "The program will not operate with this station."},
      {17, "A Corvale Lumo station was found.", "The program will not operate with this station."},
      {9, "The station model number was not recognized.", "The program will not operate with this station."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.model);
    const auto texts = ArchiveDownload::FindConsoleType(row.model);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], row.first);
    EXPECT_EQ(texts[1], "The program expects a different station model.");
    EXPECT_EQ(texts[2], row.last);
  }

  DownloadProgress p;
  p.pages_done = 7;
  p.pages_total = 20;
  EXPECT_EQ(ProgressLine(p), "Transferred   7 of 20.");
  p.retries = 2;
  p.last_error = "CRC error detected.";
  EXPECT_EQ(ProgressLine(p), "Transferred   7 of 20. Retries:  2  (CRC error detected.)");
}

}  // namespace
}  // namespace sq
