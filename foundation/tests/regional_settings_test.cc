#include "foundation/regional_settings.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <string>

#include "foundation/date_time.h"

namespace sq {
namespace {

TEST(RegionalSettingsTest, FormatsMapOntoOrderClockAndSeparators) {
  // Starting values that no row's formats produce, so that "kept" is visible.
  const RegionalSettings start{0, '#', 1, '#'};
  struct Row {
    const char* legend;
    const char* date_format;
    const char* time_format;
    RegionalSettings expected;
  } rows[] = {
      {"US", "%m/%d/%Y", "%r", {0, '/', 0, ':'}},
      {"composite %D and %T", "%D", "%T", {0, '/', 1, ':'}},
      {"German", "%d.%m.%Y", "%T", {1, '.', 1, ':'}},
      {"British", "%d/%m/%y", "%H:%M:%S", {1, '/', 1, ':'}},
      {"ISO with %F", "%F", "%R", {2, '-', 1, ':'}},
      {"Finnish dots in the time", "%d.%m.%Y", "%H.%M.%S", {1, '.', 1, '.'}},
      {"12-hour with %l and flags", "%-m/%-d/%y", "%l:%M:%S %p", {0, '/', 0, ':'}},
      {"alternative digits modifiers", "%Ey.%Om.%Od", "%OH:%OM", {2, '.', 1, ':'}},
      {"month name, blank separator keeps the separator", "%d %b %Y", "%H:%M", {1, '#', 1, ':'}},
      {"multi-byte separators are kept",
       "%Y\xe5\xb9\xb4%m\xe6\x9c\x88%d\xe6\x97\xa5",
       "%H\xe6\x97\xb6%M",
       {2, '#', 1, '#'}},
      {"nothing to read", "", "", start},
      {"date without a year keeps the order", "%d.%m.", "", start},
      {"lone percent signs", "%", "%%H", start},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.legend);
    const RegionalSettings got = RegionalSettingsFromFormats(r.date_format, r.time_format, start);
    EXPECT_EQ(got.dateChoice, r.expected.dateChoice);
    EXPECT_EQ(got.dateSepChar, r.expected.dateSepChar);
    EXPECT_EQ(got.timeChoice, r.expected.timeChoice);
    EXPECT_EQ(got.timeSepChar, r.expected.timeSepChar);
  }
}

TEST(RegionalSettingsTest, UnconfiguredOrMissingLocaleKeepsTheCurrentValues) {
  const RegionalSettings start{2, '.', 1, '.'};
  for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_NOPE.UTF-8"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(RegionalSettingsFromLocale(name, start), start);
  }
}

TEST(RegionalSettingsTest, ReadsAnInstalledLocale) {
  locale_t probe = newlocale(LC_TIME_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
  if (probe == static_cast<locale_t>(0)) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  freelocale(probe);
  const RegionalSettings got = RegionalSettingsFromLocale("de_DE.UTF-8", RegionalSettings{});
  EXPECT_EQ(got, (RegionalSettings{1, '.', 1, ':'}));
}

TEST(RegionalSettingsTest, ApplyDrivesDateTimeText) {
  const RegionalSettings saved = CurrentRegionalSettings();
  ApplyRegionalSettings(RegionalSettingsFromFormats("%d.%m.%Y", "%H:%M:%S", RegionalSettings{}));
  DateTime t(3, 1, 1996);
  t.packed_time = 15 * 60 + 5;
  EXPECT_EQ(t.GetDateStr(), "01.03.96");
  EXPECT_EQ(t.GetTimeStr(), "15:05");
  DateTime parsed;
  EXPECT_EQ(parsed.SetDate("25.12.96"), 0);
  EXPECT_EQ(parsed.month, 12);
  ApplyRegionalSettings(saved);
  EXPECT_EQ(CurrentRegionalSettings(), saved);
}

}  // namespace
}  // namespace sq
