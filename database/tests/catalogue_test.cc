#include <gtest/gtest.h>

#include "database/variable_catalogue.h"
#include "resources/string_table.h"

namespace sq {
namespace {

using ID = WeatherDataID;

// The default archive set is a stored format: the data lists keep positions in it.
TEST(CatalogueTest, DefaultArchiveSetOrder) {
  const char* const names[] = {"Outside Temperature",
                               "High Temperature",
                               "Low Temperature",
                               "Outside Humidity",
                               "Outside Dewpoint",
                               "Wind Speed",
                               "Wind Direction",
                               "Wind Run",
                               "High Wind Speed",
                               "High Wind Direction",
                               "Wind Chill",
                               "Heat Index",
                               "Temp-Hum-Wind Index",
                               "Barometer",
                               "Rain",
                               "High Rain Rate",
                               "Solar Radiation",
                               "Solar Energy",
                               "High Solar Radiation",
                               "UV Index",
                               "UV Dose",
                               "High UV Index",
                               "Heating Degree-Days",
                               "Cooling Degree-Days",
                               "Inside Temperature",
                               "Inside Humidity",
                               "Inside Equalibrium Moisture Content",
                               "Inside Air Density",
                               "Temperature 2",
                               "Temperature 3",
                               "Temperature 4",
                               "Humidity 2",
                               "Humidity 3",
                               "Evapotranspiration",
                               "Soil Moisture 1",
                               "Soil Moisture 2",
                               "Soil Moisture 3",
                               "Soil Moisture 4",
                               "Soil Temperature 1",
                               "Soil Temperature 2",
                               "Soil Temperature 3",
                               "Soil Temperature 4",
                               "Leaf Wetness 1",
                               "Leaf Wetness 2",
                               "Leaf Wetness 3",
                               "Leaf Wetness 4",
                               "Leaf Temperature 1",
                               "Leaf Temperature 2",
                               "Leaf Temperature 3",
                               "Leaf Temperature 4",
                               "Wind Samples",
                               "Wind Transmitter",
                               "Tovel Reception",
                               "Archive Interval",
                               "Temp-Hum-Sun-Wind Index",
                               "Extra Solar Radiation",
                               "Inside Dewpoint",
                               "Inside Heat Index"};
  const std::uint32_t ids[] = {
      0x00000000, 0x00000800, 0x00000C00, 0x000101C0, 0x00000001, 0x00020080, 0x000300C0, 0x00020647, 0x00020880,
      0x000308C0, 0x00000002, 0x00000003, 0x00000004, 0x000400E0, 0x00050440, 0x00060860, 0x00070140, 0x00070569,
      0x00070940, 0x00080180, 0x000805AA, 0x00080980, 0x00410428, 0x00BF0428, 0x01000000, 0x010101C0, 0x010101CC,
      0x0101028B, 0x02000000, 0x03000000, 0x04000000, 0x020101C0, 0x030101C0, 0x0000044D, 0x090901E0, 0x0A0901E0,
      0x0B0901E0, 0x0C0901E0, 0x09000000, 0x0A000000, 0x0B000000, 0x0C000000, 0x0F0A0200, 0x100A0200, 0x110A0200,
      0x120A0200, 0x0F000000, 0x10000000, 0x11000000, 0x12000000, 0x020C0220, 0x010C0220, 0x030C01C0, 0x000C0220,
      0x00000005, 0x01070140, 0x01010001, 0x01010003};
  const auto& set = ArchiveCatalogue();
  ASSERT_EQ(set.size(), static_cast<std::size_t>(kArchiveCatalogueSize));
  for (int i = 0; i < kArchiveCatalogueSize; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(set[i].name, names[i]);
    EXPECT_EQ(set[i].id.value, ids[i]);
    EXPECT_GT(set[i].width, static_cast<int>(set[i].label2.size()));
  }
  EXPECT_EQ(set[53].id.value, 786976u);  // the line later sets are upgraded after
  EXPECT_TRUE(HasString(10058));
  EXPECT_TRUE(LoadString(10058).empty());
}

TEST(CatalogueTest, FullCatalogueAddsTheOtherSensors) {
  const auto& all = FullCatalogue();
  ASSERT_EQ(all.size(), 58u + 13u);
  std::vector<std::uint32_t> rest;
  for (std::size_t i = 58; i < all.size(); ++i) rest.push_back(all[i].id.value);
  const std::vector<std::uint32_t> want = {
      ID::Temperature(5).value,    ID::Temperature(6).value,  ID::Temperature(7).value,  ID::Temperature(8).value,
      ID::Humidity(4).value,       ID::Humidity(5).value,     ID::Humidity(6).value,     ID::Humidity(7).value,
      ID::Humidity(8).value,       ID::SoilMoisture(5).value, ID::SoilMoisture(6).value, ID::SoilTemperature(5).value,
      ID::SoilTemperature(6).value};
  EXPECT_EQ(rest, want);
}

TEST(CatalogueTest, ParsesLines) {
  const auto two = ParseCatalogueLine(
      "Outside Temperature\t\t0\tTemp\tOut\t7\t0\tOutside Temp\t4663548\t4663548\t7895160\t4663548\t0\t");
  const auto one = ParseCatalogueLine(
      "Outside Temperature\t0\tTemp\tOut\t7\t0\tOutside Temp\t4663548\t4663548\t7895160\t4663548\t0\t");
  for (const auto& v : {two, one}) {
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->name, "Outside Temperature");
    EXPECT_EQ(v->id.value, 0u);
    EXPECT_EQ(v->label1, "Temp");
    EXPECT_EQ(v->label2, "Out");
    EXPECT_EQ(v->width, 7);
    EXPECT_EQ(v->trailing_spaces, 0);
    EXPECT_EQ(v->short_name, "Outside Temp");
    EXPECT_EQ(v->colours, (std::array<std::int32_t, 4>{4663548, 4663548, 7895160, 4663548}));
    EXPECT_EQ(v->line_style, 0);
  }
  EXPECT_FALSE(ParseCatalogueLine("Rain\t\tx\tR\tR\t7\t0\tRain\t1\t2\t3\t4\t0\t"));
  EXPECT_FALSE(ParseCatalogueLine("Rain\t\t5\tR\tR\t7\t0\tRain\t1\t2\t3\t4\t"));  // no line style
  EXPECT_FALSE(ParseCatalogueLine(""));
}

}  // namespace
}  // namespace sq
