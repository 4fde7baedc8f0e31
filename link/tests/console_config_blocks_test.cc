// The console's configuration blocks and tables without a console: zone table,
// calibration arithmetic, transmitter table and anemometer rule, alarm encodings,
// latitude/longitude text and the settings-password check code.
#include "link/console_config_blocks.h"

#include <gtest/gtest.h>

#include <cmath>

#include "foundation/display_units.h"
#include "link/console_config_actions.h"
#include "link/settings_password.h"

namespace sq {
namespace {

TEST(ZoneTable, NamesCarryTheOffsetsOfTheTable) {
  ASSERT_EQ(kTimeZoneCount, 47);
  for (int i = 0; i < kTimeZoneCount; ++i) {
    SCOPED_TRACE(i);
    const auto offset = ZoneOffset(i);
    ASSERT_TRUE(offset);
    const auto hours = ZoneHoursFromName(ZoneName(i));
    ASSERT_TRUE(hours) << ZoneName(i);
    // hours * 100 + minutes, negative zones subtracting the minutes.
    const int whole = *offset / 100, minutes = *offset % 100;
    EXPECT_DOUBLE_EQ(*hours, whole + minutes / 60.0);
  }
  EXPECT_EQ(ZoneOffset(34), 530);
  EXPECT_EQ(ZoneOffset(13), -330);
  EXPECT_DOUBLE_EQ(*ZoneHoursFromName(ZoneName(13)), -3.5);
  EXPECT_FALSE(ZoneOffset(-1));
  EXPECT_FALSE(ZoneOffset(47));
  EXPECT_FALSE(ZoneHoursFromName("Pacific"));
  EXPECT_FALSE(ZoneHoursFromName("(GMT+x)"));
}

TEST(Calibration, UncalibrateTakesOffsetsOffAndKeepsMissingSensors) {
  CalibrationOffsets off{};
  off[cal::kInsideTemp] = 10;  // +1.0 F
  off[cal::kOutsideTemp] = -5;
  off[cal::kFurtherTemp] = 3;      // extra temperature 1
  off[cal::kFurtherTemp + 1] = 7;  // extra temperature 2: no sensor
  off[cal::kInsideHum] = 5;
  off[cal::kOutsideHum] = -5;
  off[cal::kExtraHum] = 4;  // no sensor
  CalibratedValues v;
  v.temps.fill(kNoSensorTemp);
  v.temps[0] = 705;
  v.temps[1] = static_cast<std::uint16_t>(-12);  // -1.2 F
  v.temps[2] = 700;
  v.temps[3] = kNoSensorTempFF;
  v.hums.fill(kNoSensorHum);
  v.hums[0] = 3;   // 3 - 5 would wrap round to 254
  v.hums[1] = 98;  // 98 + 5 is more than 100

  const CalibratedValues u = Uncalibrate(v, off);
  EXPECT_EQ(u.temps[0], 695);
  EXPECT_EQ(static_cast<std::int16_t>(u.temps[1]), -7);
  EXPECT_EQ(u.temps[2], 697);
  EXPECT_EQ(u.temps[3], kNoSensorTempFF);
  EXPECT_EQ(u.temps[4], kNoSensorTemp);
  EXPECT_EQ(u.hums[0], 0);
  EXPECT_EQ(u.hums[1], 100);
  EXPECT_EQ(u.hums[2], kNoSensorHum);
}

TEST(Calibration, OffsetsBlockCarriesACheckByteForTheInsideOffset) {
  std::array<std::uint8_t, kCalibrationSize> raw{};
  raw[0] = 12;
  raw[1] = static_cast<std::uint8_t>(~12);
  raw[2] = static_cast<std::uint8_t>(-5);
  raw[19] = 3;
  const auto o = DecodeCalibration(raw);
  ASSERT_TRUE(o);
  EXPECT_EQ((*o)[cal::kInsideTemp], 12);
  EXPECT_EQ((*o)[cal::kOutsideTemp], -5);
  EXPECT_EQ((*o)[cal::kOutsideHum], 3);

  raw[1] = 0;  // zero offsets without their check byte: not a block to trust
  raw[0] = 0;
  EXPECT_FALSE(DecodeCalibration(raw));

  CalibrationOffsets w{};
  w[cal::kInsideTemp] = -3;
  w[cal::kInsideCheck] = 77;  // ignored: the check byte follows byte 0
  w[cal::kOutsideTemp] = 4;
  std::array<std::uint8_t, kCalibrationSize> out{};
  EncodeCalibration(w, out);
  EXPECT_EQ(out[1], static_cast<std::uint8_t>(~out[0]));
  EXPECT_EQ(out[2], 4);
  EXPECT_TRUE(DecodeCalibration(out));
}

TEST(Calibration, BlocksRoundTripAtTheirOffsets) {
  std::array<std::uint8_t, kCalibratedValuesSize> raw{};
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(i + 1);
  const auto v = DecodeCalibratedValues(raw);
  EXPECT_EQ(v.temps[0], 0x0201);   // little-endian at 0
  EXPECT_EQ(v.temps[1], 0x0403);   // at 2
  EXPECT_EQ(v.temps[16], 0x2221);  // last further temperature at 32
  EXPECT_EQ(v.hums[0], 35);        // inside humidity at 34
  EXPECT_EQ(v.hums[8], 43);        // last extra humidity at 42
  std::array<std::uint8_t, kCalibratedValuesSize> back{};
  EncodeCalibratedValues(v, back);
  EXPECT_EQ(back, raw);
}

TEST(Transmitters, DecodingTheAnemometerRuleAndANewType) {
  struct Row {
    const char* legend;
    std::array<std::uint8_t, kTransmitterTableSize> raw;
    int anemometer;
  };
  auto table = [](std::initializer_list<std::uint8_t> first_bytes) {
    std::array<std::uint8_t, kTransmitterTableSize> raw{};
    for (std::size_t i = 0; i < kTransmitterCount; ++i) raw[2 * i] = 0x19;  // no transmitter
    std::size_t i = 0;
    for (auto b : first_bytes) raw[2 * i++] = b;
    return raw;
  };
  const Row rows[] = {
      {"first type 4 wins over type 0", table({0x10, 0x14, 0x14}), 2},
      {"no type 4: the last type 0", table({0x10, 0x19, 0x10, 0x13}), 3},
      {"neither", table({0x13, 0x1F}), kNoAnemometerTx},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    EXPECT_EQ(AnemometerTransmitter(DecodeTransmitters(r.raw)), r.anemometer);
  }
  auto raw = table({0x4F, 0x21, 0x14});
  raw[1] = 0x52;
  const auto t = DecodeTransmitters(raw);
  EXPECT_EQ(t[0].type, 9);  // above 9 reads as 9
  EXPECT_EQ(t[0].code, 4);
  EXPECT_EQ(t[0].channel_low, 2);
  EXPECT_EQ(t[0].channel_high, 5);
  EXPECT_EQ(t[1].type, 1);
  EXPECT_EQ(t[1].code, 1);  // 2 reads as 1

  // A new type keeps the second code and the channels.
  SetTransmitterType(raw, 0, 3);
  SetTransmitterType(raw, 1, kTxTypeNone);
  EXPECT_EQ(raw[0], 0x43);
  EXPECT_EQ(raw[1], 0x52);
  EXPECT_EQ(raw[2], 0x29);
}

TEST(Alarms, TimeAndTemperatureEncodings) {
  AlarmBlock b{};
  b.fill(kAlarmOffByte);
  EXPECT_FALSE(AlarmTime(b));
  ASSERT_TRUE(SetAlarmTime(b, 15 * 60 + 45));
  EXPECT_EQ(b[2], 1545 & 0xFF);
  EXPECT_EQ(b[3], 1545 >> 8);
  EXPECT_EQ(AlarmTime(b), 15 * 60 + 45);
  EXPECT_FALSE(SetAlarmTime(b, 1440));

  b[6] = 160;   // 70 F with the +90 bias
  b[58] = 190;  // 70 F with the +120 bias
  EXPECT_EQ(AlarmTempF(b, 6), 70);
  EXPECT_EQ(AlarmTempF(b, 58), 70);
  EXPECT_NEAR(*AlarmTempC(b, 6), (160 - 122) * 5.0 / 9.0, 1e-9);
  EXPECT_NEAR(*AlarmTempC(b, 58), (190 - 152) * 5.0 / 9.0, 1e-9);
  EXPECT_FALSE(AlarmTempF(b, 7));   // off
  EXPECT_FALSE(AlarmTempF(b, 20));  // not a temperature byte
  EXPECT_TRUE(SetAlarmTempF(b, 59, -40));
  EXPECT_EQ(b[59], 80);
  EXPECT_FALSE(SetAlarmTempF(b, 6, 200));  // 290 does not fit a byte
  EXPECT_FALSE(SetAlarmTempF(b, 10, 50));

  EXPECT_EQ(RainClickInches(1), 0.01);
  EXPECT_EQ(RainClickInches(4), 0.01);
  EXPECT_EQ(RainClickInches(2), 0.007874016);
  EXPECT_EQ(RainClickInches(6), 0.003937008);
  EXPECT_FALSE(RainClickInches(3));
}

TEST(LatLongText, ParsesEnteredValues) {
  struct Row {
    const char* text;
    bool east_west;
    std::optional<int> tenths;
  };
  const Row rows[] = {
      {"41.5", false, 415},
      {"41.5N", false, 415},
      {"41.5 s", false, -415},
      {"-33.9", false, -339},
      {"87.5W", true, -875},
      {"151.2 E", true, 1512},
      {"180", true, 1800},
      {"90.1", false, std::nullopt},
      {"41.5E", false, std::nullopt},
      {"-41.5S", false, std::nullopt},
      {"", false, std::nullopt},
      {"4.1.5", false, std::nullopt},
      {"nan", false, std::nullopt},
      {"1e3", true, std::nullopt},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(ParseLatLongText(r.text, r.east_west), r.tenths);
  }
  EXPECT_EQ(LatLongText(415, false), " 41.5 N");
  EXPECT_EQ(LatLongText(-875, true), " 87.5 W");
}

TEST(SettingsPassword, CheckCodeAndValidation) {
  // The code is the remainder of the characters' bits divided by x^12+x^11+x^3+x+1.
  EXPECT_EQ(PasswordCheckCode("A"), 0x041);
  EXPECT_EQ(PasswordCheckCode("AB"), 0x973);
  EXPECT_EQ(PasswordCheckCode("ABCDE"), 0xC81);
  EXPECT_EQ(PasswordCheckCode("WEATHER12345"), 0x3AA);

  std::string message;
  EXPECT_EQ(ValidatePassword("Secret", "SECRET", &message), "SECRET");
  EXPECT_FALSE(ValidatePassword("Secret", "Secrets", &message));
  EXPECT_EQ(message, "Passwords do not match!");
  EXPECT_FALSE(ValidatePassword("abcd", "abcd", &message));
  EXPECT_EQ(message, "Password must be between 5 - 15 characters");
  EXPECT_FALSE(ValidatePassword("abcdefghijklmnop", "abcdefghijklmnop", &message));
  EXPECT_TRUE(ValidatePassword("abcdefghijklmno", "abcdefghijklmno", &message));
}

TEST(YearRain, AmountToCollectorClicks) {
  DisplayUnits::SetRainUnit(DisplayUnits::kRainInches);
  struct Row {
    const char* text;
    int type;
    std::optional<int> clicks;
  };
  const Row rows[] = {
      {"1.25", 1, 125},
      {" 2 ", 1, 200},
      {"1.25", 2, 159},  // 31.75 mm of 0.2 mm
      {"0", 6, 0},
      {"655.35", 1, 65535},
      {"655.36", 1, std::nullopt},
      {"abc", 1, std::nullopt},
      {"1.2.3", 1, std::nullopt},
      {"-1", 1, std::nullopt},
      {"1e300", 1, std::nullopt},
      {"nan", 1, std::nullopt},
      {"", 1, std::nullopt},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    std::string message;
    EXPECT_EQ(YearRainClicks(r.text, r.type, &message), r.clicks);
    EXPECT_EQ(message.empty(), r.clicks.has_value());
  }
  std::string message;
  (void)YearRainClicks("abc", 1, &message);
  EXPECT_EQ(message, "Yearly rain abc not understood.");
}

TEST(ArchivePeriod, OnlyTheSevenChoices) {
  EXPECT_EQ(ArchivePeriodIndex(1), 0);
  EXPECT_EQ(ArchivePeriodIndex(60), 5);
  EXPECT_EQ(ArchivePeriodIndex(120), 6);
  EXPECT_FALSE(ArchivePeriodIndex(20));
  EXPECT_FALSE(ArchivePeriodIndex(0));
}

}  // namespace
}  // namespace sq
