// CorvaleSession: the current console family. Commands are text lines ending in a
// line feed; most are answered with ACK, binary data follow as blocks with a
// CRC-16, and a few answer "OK" / "DONE" text. Replies of fixed length are parsed
// leniently (a firmware date of "Mar 5 2002" or "Mar  5 2002") and never past their
// end.
#pragma once

#include <optional>
#include <string_view>

#include "link/serial_session.h"

namespace sq {

// Parses the firmware date text ("Apr 24 2002"); nothing when it is not one.
[[nodiscard]] std::optional<FirmwareDate> ParseFirmwareDate(std::string_view text);
// Version text ("1.90") times 100; 0 when it is not a version.
[[nodiscard]] int ParseFirmwareVersionNumber(std::string_view text);
// The five numbers of a reception-statistics reply; nothing unless all five parse.
[[nodiscard]] std::optional<std::array<int, 5>> ParseReceptionStats(std::string_view text);

// EEPROM locations this session reads itself.
inline constexpr int kEepromArchivePeriod = 0x2D;
inline constexpr int kMaxEepromBlock = 4096;

class CorvaleSession : public SerialSession {
 public:
  explicit CorvaleSession(const CommSettings& settings) : SerialSession(settings) {}
  CorvaleSession(const CommSettings& settings, std::unique_ptr<CommProtocol> transport)
      : SerialSession(settings, std::move(transport)) {}
  ~CorvaleSession() override = default;

  int DumpAfter(std::uint16_t date, std::uint16_t time, int& pages, int& first_record) override;
  int ReadDumpPage(int expected_seq, std::uint8_t& reply, std::size_t offset) override;
  int AllocDumpBuffer(int pages) override;
  bool ExpectOk() override;
  bool ExpectDone() override;
  bool NewSetup() override;
  int WakeUp() override;
  int WriteEepromText(int address, int byte) override;
  int ReadEeprom(std::uint8_t* out, int address, int length) override;
  int WriteEeprom(int address, const std::uint8_t* data, int length) override;
  int GetFirmwareDate(FirmwareDate& date) override;
  int GetFirmwareVersion(std::string& text) override;
  int GetFirmwareVersionNumber() override;
  int GetTime(ConsoleTime& t) override;
  int SetTime(const ConsoleTime& t) override;
  int GetArchivePeriod() override;
  int GetReceptionStats(std::array<int, 5>& stats) override;
  int GetBarData(std::string& text) override;

 protected:
  // Sends a command line and waits for ACK; true when it came.
  [[nodiscard]] bool Command(std::string_view text);
  // Bytes 2..3 of a 6-byte answer hold "OK"?
  [[nodiscard]] bool ReadOk();
};

}  // namespace sq
