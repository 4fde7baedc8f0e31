// ConsoleConfig: the configuration operations of a current-family console, run on an
// open SerialSession: archive interval, barometer, rain collector, wind cups, unit
// bits, latitude and longitude, time zone and daylight saving, yearly rain, clearing,
// calibration, alarms, transmitters and reception statistics.
//
// Every operation brings the link up and wakes the console first, and fails without
// sending anything when that does not work. Values outside their limits are refused
// with kConfigRefused before anything is sent. Block writes fail unless the console
// acknowledges the block's CRC; nothing is retried here. Results: 0 success, -1 (or the
// session's code) for a communication failure, kConfigRefused for a refused value; the
// session's lastError() and errorText() tell the communication error.
//
// The session must outlive this object. One operation at a time.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/console_config_blocks.h"
#include "link/serial_session.h"

namespace sq {

inline constexpr int kConfigOk = 0;
inline constexpr int kConfigFailed = -1;
inline constexpr int kConfigRefused = -50;
// The calibration block's check byte disagrees with its inside offset.
inline constexpr int kCalibrationInconsistent = -51;

// Barometer limits.
inline constexpr int kBarReadingMin = 16000;  // thousandths of inHg; 0 = console computes it
inline constexpr int kBarReadingMax = 32500;
inline constexpr int kElevationMin = -2000;  // feet
inline constexpr int kElevationMax = 15000;

// Rain collector types taken by SetRainCollector.
inline constexpr int kCollectorType001In = 1;
inline constexpr int kCollectorType02Mm = 2;
inline constexpr int kCollectorType01Mm = 3;

// ClearHighs / ClearLows: all three (daily, monthly, yearly) in that order.
inline constexpr int kClearAllPeriods = -1;

// The totals that ClearVariable clears, in the order they are cleared.
inline constexpr std::array<int, 7> kClearableTotals = {13, 16, 17, 14, 26, 25, 27};

// Daylight saving mode in the console.
enum class DstMode { kAutomatic = 0, kManual = 1 };

class ConsoleConfig {
 public:
  // `station_model` is the station's model code (7: the compact console, which always
  // takes the other wind cup sizes); -1 when not known.
  explicit ConsoleConfig(SerialSession& session, int station_model = -1) : s_(session), station_model_(station_model) {}

  [[nodiscard]] SerialSession& session() { return s_; }

  // Archive interval: index 0..6 of 1, 5, 10, 15, 30, 60, 120 minutes. "SETPER", and
  // after its "OK" the archive is cleared ("CLRLOG").
  [[nodiscard]] int SetArchivePeriod(int index);
  [[nodiscard]] int GetArchivePeriod() { return s_.GetArchivePeriod(); }
  [[nodiscard]] int ClearArchive();

  // Setup bits (0x2B); the write is followed by "NEWSETUP".
  [[nodiscard]] int ReadSetupBits(std::uint8_t& bits);
  [[nodiscard]] int WriteSetupBits(std::uint8_t bits);
  // Unit bits and their complement at 0x29..0x2A in one block, then "NEWSETUP".
  [[nodiscard]] int SetCorvaleUnitBits(std::uint8_t bits);

  // Rain collector code of the archive records: 1 (0.01 in), 2 (0.2 mm), 6 (0.1 mm);
  // -1 on failure or an unknown setting.
  [[nodiscard]] int GetRainCollector();
  // Type 1 (0.01 in), 2 (0.2 mm) or 3 (0.1 mm).
  [[nodiscard]] int SetRainCollector(int type);

  // Consoles that take the other wind cup sizes: the compact console, or firmware
  // above 1.799.
  [[nodiscard]] bool IsOtherCupSizeSupported();
  // Byte 0xC3 on such consoles, else setup bit 3 (0 or 8); -1 on failure.
  [[nodiscard]] int GetWindCupSize();
  // Such consoles: 0 (taken as 1) to 3 into 0xC3. Others: 0 small or 8 large in the
  // setup bits.
  [[nodiscard]] int SetWindCupSize(int size);

  // Latitude and longitude in tenths of a degree, south and west negative.
  [[nodiscard]] int GetLatitude(int& tenths);
  [[nodiscard]] int GetLongitude(int& tenths);
  [[nodiscard]] int SetLatLong(int lat_tenths, int lon_tenths);

  // Daylight saving: automatic (0x12 = 0) or manual (0x12 = 1, 0x13 = on).
  [[nodiscard]] int SetDaylightSaving(DstMode mode, bool on);
  // Time zone 0..46: index into 0x11, its GMT offset into 0x14..0x15, 0 into 0x16.
  [[nodiscard]] int SetTimeZone(int index);
  // The zone's GMT offset into 0x14..0x15 (two single-byte writes).
  [[nodiscard]] int SetZoneOffset(int index);
  [[nodiscard]] int SetTime(const ConsoleTime& t) { return s_.SetTime(t); }
  [[nodiscard]] int GetTime(ConsoleTime& t) { return s_.GetTime(t); }

  // Yearly rain in collector clicks ("PUTRAIN"); negative values are refused.
  [[nodiscard]] int SetYearRain(int clicks);

  // Clearing. which: 0 daily, 1 monthly, 2 yearly, kClearAllPeriods all three.
  [[nodiscard]] int ClearHighs(int which);
  [[nodiscard]] int ClearLows(int which);
  [[nodiscard]] int ClearGraphs();
  [[nodiscard]] int ClearAlarms();
  // "CLRCAL" alone; the whole calibration clearing is ClearConsoleCalibration.
  [[nodiscard]] int ClearCalibration();
  // One of kClearableTotals.
  [[nodiscard]] int ClearVariable(int n);

  // Barometer reading (thousandths of inHg, 0 or 16000..32500) and elevation (feet,
  // -2000..15000).
  [[nodiscard]] int SetBarometer(int reading, int elevation);

  // Calibration offsets (27 bytes at 0x32) and calibrated values ("CALED"/"CALFIX").
  // A block read with a wrong check byte gives kCalibrationInconsistent.
  [[nodiscard]] int ReadCalibration(CalibrationOffsets& offsets);
  [[nodiscard]] int WriteCalibration(const CalibrationOffsets& offsets);
  [[nodiscard]] int ReadCalibratedValues(CalibratedValues& values);
  [[nodiscard]] int WriteCalibratedValues(const CalibratedValues& values);

  // Alarm block (94 bytes at 0x52), read and written whole.
  [[nodiscard]] int ReadAlarms(AlarmBlock& block);
  [[nodiscard]] int WriteAlarms(const AlarmBlock& block);

  // Transmitter table (16 bytes at 0x19). The raw form keeps the bits the table
  // does not interpret, for writing back.
  [[nodiscard]] int ReadTransmitters(TransmitterTable& table,
                                     std::array<std::uint8_t, kTransmitterTableSize>* raw = nullptr);
  [[nodiscard]] int WriteTransmitters(const std::array<std::uint8_t, kTransmitterTableSize>& raw);

  // The 16-bit settings at 0x0F (read only) and 0x4D.
  [[nodiscard]] int ReadWord0F(std::uint16_t& value);
  [[nodiscard]] int ReadWord4D(std::uint16_t& value);
  [[nodiscard]] int WriteWord4D(std::uint16_t value);

  [[nodiscard]] int GetReceptionStats(std::array<int, 5>& stats) { return s_.GetReceptionStats(stats); }

 private:
  // Link up and awake, console of the current family.
  [[nodiscard]] bool Begin();
  // Sends `text` and waits for ACK.
  [[nodiscard]] bool Command(std::string_view text);
  // Sends `text`, then "OK" and (when `done`) "DONE".
  [[nodiscard]] int OkCommand(std::string_view text, bool done);
  [[nodiscard]] int ReadWord(int address, std::uint16_t& value);
  [[nodiscard]] int ClearPeriods(const char* command, int which);

  SerialSession& s_;
  int station_model_;
};

}  // namespace sq
