#include <gtest/gtest.h>

#include <cstring>

#include "database/daily_summary_record.h"
#include "database/data_record.h"
#include "database/header_block.h"
#include "database/month_file.h"

namespace sq {
namespace {

TEST(RecordFormat, NewHeaderBytes) {
  const auto raw = EncodeHeader(NewHeaderBlock());
  ASSERT_EQ(raw.size(), 212u);
  EXPECT_EQ(0, std::memcmp(raw.data(), "WDAT5.3", 7));
  for (std::size_t i = 7; i < 14; ++i) EXPECT_EQ(raw[i], 0) << i;
  EXPECT_EQ(raw[14], 5);
  EXPECT_EQ(raw[15], 3);
  for (std::size_t i = 16; i < 212; ++i) EXPECT_EQ(raw[i], 0) << i;
  EXPECT_EQ(NewHeaderBlock().MajorVersion(), 5);
  EXPECT_EQ(NewHeaderBlock().MinorVersion(), 3);
}

TEST(RecordFormat, HeaderFieldsAreLittleEndianAtTheirOffsets) {
  HeaderBlock h = NewHeaderBlock();
  h.total_records = 0x01020304;
  h.day[31].records_in_day = 0x0506;
  h.day[31].start_position = 0x0708090A;
  const auto raw = EncodeHeader(h);
  const std::uint8_t total[] = {0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(0, std::memcmp(raw.data() + 16, total, 4));
  const std::uint8_t entry[] = {0x06, 0x05, 0x0A, 0x09, 0x08, 0x07};
  EXPECT_EQ(0, std::memcmp(raw.data() + 20 + 6 * 31, entry, 6));
  const auto back = DecodeHeader(raw);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->total_records, h.total_records);
  EXPECT_EQ(back->day[31].start_position, h.day[31].start_position);
  EXPECT_FALSE(DecodeHeader(std::span(raw).first(211)));
}

TEST(RecordFormat, NewArchiveRecordBytes) {
  const RecordBytes b = ToBytes(NewDataRecord());
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[20], 0);  // rain 0
  EXPECT_EQ(b[21], 0);
  EXPECT_EQ(b[30], 0);  // wind samples 0
  EXPECT_EQ(b[31], 0);
  // 16-bit fields at 4..18, 22..26, 32..34, 42..54 hold 0x8000.
  for (int off : {4, 6, 8, 10, 12, 14, 16, 18, 22, 24, 26, 32, 34, 42, 44, 46, 48, 50, 52, 54}) {
    EXPECT_EQ(b[off], 0x00) << off;
    EXPECT_EQ(b[off + 1], 0x80) << off;
  }
  for (int off : {28, 29, 36, 37, 38, 41, 56, 57, 58, 69, 70, 80, 81, 87}) EXPECT_EQ(b[off], 255) << off;
  DataRecord r = NewDataRecord();
  r.packed_time = 0x0201;
  r.rain = 0x1005;
  const RecordBytes c = ToBytes(r);
  EXPECT_EQ(c[4], 0x01);
  EXPECT_EQ(c[5], 0x02);
  EXPECT_EQ(c[20], 0x05);
  EXPECT_EQ(c[21], 0x10);
  EXPECT_FALSE(DecodeDataRecord(std::span(c).first(87)));
  EXPECT_EQ(DecodeDataRecord(c)->rain, 0x1005);
}

TEST(RecordFormat, NewSummaryRecords) {
  const RecordBytes a = ToBytes(NewDailySummary1());
  EXPECT_EQ(a[0], 2);
  EXPECT_EQ(a[6], 0xFF);  // low outside temperature 32767
  EXPECT_EQ(a[7], 0x7F);
  EXPECT_EQ(a[4], 0x00);  // high outside temperature -32768
  EXPECT_EQ(a[5], 0x80);
  const auto s1 = NewDailySummary1();
  for (int i = 0; i < 18; ++i) EXPECT_EQ(Get12Bit(s1.times, kSummary1TimeCount, i), 0x7FF) << i;

  const RecordBytes b = ToBytes(NewDailySummary2());
  EXPECT_EQ(b[0], 3);
  EXPECT_EQ(b[1], 255);
  EXPECT_EQ(b[75], 0x00);  // cooling degree days -32768, unaligned
  EXPECT_EQ(b[76], 0x80);
  const std::uint8_t tail[] = {0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00};
  EXPECT_EQ(0, std::memcmp(b.data() + 77, tail, 11));
  for (int i = 36; i < 60; ++i) EXPECT_EQ(b[i], 0) << i;
  const auto s2 = NewDailySummary2();
  for (int i = 0; i < 9; ++i) EXPECT_EQ(Get12Bit(s2.times, kSummary2TimeCount, i), 0x800) << i;
  EXPECT_EQ(Get12Bit(s2.times, kSummary2TimeCount, 9), -32768);
  EXPECT_EQ(s2.GetCoolDd(), -32768);
}

TEST(RecordFormat, TwelveBitWritesTouchOnlyTheirOwnBits) {
  struct Case {
    int index;
    int changed_a, changed_b;  // record offsets of the changed byte and nibble byte
    bool high_nibble;
  } cases[] = {{3, 65, 66, true}, {2, 64, 66, false}, {0, 61, 63, false}, {17, 86, 87, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    DailySummary1 s = NewDailySummary1();
    const RecordBytes before = ToBytes(s);
    Set12Bit(s.times, kSummary1TimeCount, c.index, 0xABC);
    const RecordBytes after = ToBytes(s);
    EXPECT_EQ(Get12Bit(s.times, kSummary1TimeCount, c.index), 0xABC);
    for (int i = 0; i < 88; ++i) {
      if (i == c.changed_a) {
        EXPECT_EQ(after[i], 0xBC);
      } else if (i == c.changed_b) {
        const int keep = c.high_nibble ? 0x0F : 0xF0;
        EXPECT_EQ(after[i] & keep, before[i] & keep);
        EXPECT_EQ(c.high_nibble ? after[i] >> 4 : after[i] & 0x0F, 0xA);
      } else {
        EXPECT_EQ(after[i], before[i]) << i;
      }
    }
  }
  DailySummary1 s = NewDailySummary1();
  const RecordBytes before = ToBytes(s);
  Set12Bit(s.times, kSummary1TimeCount, 18, 1);
  Set12Bit(s.times, kSummary1TimeCount, -1, 1);
  EXPECT_EQ(ToBytes(s), before);
  EXPECT_EQ(Get12Bit(s.times, kSummary1TimeCount, 18), -32768);
}

TEST(RecordFormat, MonthFileNames) {
  struct Case {
    const char* name;
    bool ok;
  } cases[] = {{"2026-01.sqm", true},  {"2026-01.SQM", true},      {"1999-12.Sqm", true},
               {"2026-1.sqm", false},  {"26-01.sqm", false},       {"2026-01.txt", false},
               {"2026_01.sqm", false}, {"2026-01.sqm.tmp", false}, {"2026-0a.sqm", false}};
  for (const Case& c : cases) EXPECT_EQ(IsMonthFileName(c.name), c.ok) << c.name;
  int y = 0, m = 0;
  ASSERT_TRUE(ParseMonthFileName("2025-12.sqm", &y, &m));
  EXPECT_EQ(y, 2025);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(MonthFileName(2026, 1), "2026-01.sqm");
}

TEST(RecordFormat, HeaderChecks) {
  auto with = [](std::int32_t total, std::initializer_list<std::tuple<int, int, int>> days) {
    HeaderBlock h = NewHeaderBlock();
    h.total_records = total;
    for (auto [d, count, start] : days) {
      h.day[d].records_in_day = static_cast<std::int16_t>(count);
      h.day[d].start_position = start;
    }
    return h;
  };
  const std::int64_t big = RecordOffset(100);
  // `usable` and `damage` matter for readable files: the records read, and what the
  // note on a damaged record count says ("" for a sound header).
  struct Case {
    const char* legend;
    HeaderBlock h;
    std::int64_t size;
    bool ok;
    std::int32_t usable = 0;
    const char* damage = "";
  } cases[] = {
      {"empty", with(0, {}), 212, true, 0},
      {"two days", with(8, {{1, 5, 0}, {3, 3, 5}}), RecordOffset(8), true, 8},
      {"stale bytes behind the records", with(5, {{1, 5, 0}}), big, true, 5},
      {"truncated", with(8, {{1, 8, 0}}), RecordOffset(7), false},
      {"count past the file, days inside it", with(0x7FFFFFFF, {{1, 3, 0}}), RecordOffset(3), true, 3,
       "the header counts 2147483647 records but the file holds only 3; only the 3 records"},
      {"count past the last day (sparse file)", with(24000000, {{1, 3, 0}}), RecordOffset(24000000), true, 3,
       "the header counts 24000000 records but its days hold only 3"},
      {"count without days", with(7, {}), RecordOffset(7), true, 0, "its days hold only 0"},
      {"negative total", with(-1, {}), big, false},
      {"day past the end", with(5, {{2, 6, 0}}), big, false},
      {"overlapping days", with(8, {{1, 5, 0}, {2, 3, 4}}), big, false},
      {"days out of order", with(8, {{1, 3, 5}, {2, 5, 0}}), big, false},
      {"negative start", with(5, {{1, 5, -1}}), big, false},
      {"negative count", with(5, {{1, -5, 0}}), big, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    std::int32_t usable = -1;
    std::string damage = "unset";
    const auto problem = CheckHeader(c.h, c.size, &usable, &damage);
    EXPECT_EQ(!problem.has_value(), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(usable, c.usable);
    if (*c.damage == 0) {
      EXPECT_EQ(damage, "");
    } else {
      EXPECT_NE(damage.find(c.damage), std::string::npos) << damage;
    }
  }
}

}  // namespace
}  // namespace sq
