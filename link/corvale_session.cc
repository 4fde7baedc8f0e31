#include "link/corvale_session.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/crc16.h"

namespace sq {
namespace {

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr int kWakeAttempts = 5;
constexpr std::size_t kFirmwareDateSize = 13;
constexpr std::size_t kVersionSize = 6;
constexpr std::size_t kStatsTextSize = 100;

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  return s;
}

// Reads a non-negative decimal number at the front of `s` (at most 9 digits).
std::optional<int> TakeNumber(std::string_view& s) {
  s = TrimLeft(s);
  int v = 0;
  std::size_t n = 0;
  while (n < s.size() && n < 9 && std::isdigit(static_cast<unsigned char>(s[n]))) v = v * 10 + (s[n++] - '0');
  if (n == 0) return std::nullopt;
  s.remove_prefix(n);
  return v;
}

std::optional<int> TakeSigned(std::string_view& s) {
  s = TrimLeft(s);
  bool neg = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  auto v = TakeNumber(s);
  if (!v) return std::nullopt;
  return neg ? -*v : *v;
}

}  // namespace

std::optional<FirmwareDate> ParseFirmwareDate(std::string_view text) {
  text = TrimLeft(text);
  if (text.size() < 3) return std::nullopt;
  int month = 0;
  for (int m = 0; m < 12; ++m) {
    if (text.substr(0, 3) == kMonths[m]) month = m + 1;
  }
  if (month == 0) return std::nullopt;
  text.remove_prefix(3);
  const auto day = TakeNumber(text);
  const auto year = TakeNumber(text);
  if (!day || !year || *day < 1 || *day > 31 || *year < 1990 || *year > 2099) return std::nullopt;
  return FirmwareDate{*year, month, *day};
}

int ParseFirmwareVersionNumber(std::string_view text) {
  text = TrimLeft(text);
  const auto major = TakeNumber(text);
  if (!major || *major > 99) return 0;
  int value = *major * 100;
  if (!text.empty() && text.front() == '.') {
    text.remove_prefix(1);
    int scale = 10;
    for (std::size_t i = 0; i < text.size() && scale > 0 && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
      value += (text[i] - '0') * scale;
      scale /= 10;
    }
  }
  return value;
}

std::optional<std::array<int, 5>> ParseReceptionStats(std::string_view text) {
  std::array<int, 5> out{};
  for (int& v : out) {
    const auto n = TakeSigned(text);
    if (!n) return std::nullopt;
    v = *n;
  }
  return out;
}

bool CorvaleSession::Command(std::string_view text) {
  if (PutStr(text) != 0) return false;
  return GetAcknowledge() == 1;
}

int CorvaleSession::WakeUp() {
  if (consoleFamily() != kFamilyCorvale) return 0;
  if (!transport_->usable()) return 0;
  for (int i = 0; i < kWakeAttempts; ++i) {
    ClearInput();
    if (PutChar(kLf) != 0) continue;
    if (GetChar() == kLf) {
      (void)GetChar();  // the carriage return that follows
      ResetIdle();
      return 1;
    }
  }
  return 0;
}

bool CorvaleSession::ReadOk() {
  if (ReadBytes(6) != 0) return false;
  return buffer_[2] == 'O' && buffer_[3] == 'K';
}

bool CorvaleSession::ExpectOk() {
  SetTimeOuts(6);
  return ReadOk();
}

bool CorvaleSession::ExpectDone() {
  SetTimeOuts(6);
  const bool done = ReadBytes(6) == 0 && std::memcmp(buffer_.data(), "DONE", 4) == 0;
  ClearInput();
  return done;
}

bool CorvaleSession::NewSetup() {
  if (!Begin(true, true)) return false;
  return Command("NEWSETUP\n");
}

int CorvaleSession::WriteEepromText(int address, int byte) {
  if (address < 0 || address >= kMaxEepromBlock || byte < 0 || byte > 255) return -1;
  if (!Begin(true, true)) return -1;
  char cmd[32];
  std::snprintf(cmd, sizeof cmd, "EEWR %X %X\n\r", address, byte);
  if (PutStr(cmd) != 0) return -1;
  return ReadOk() ? 0 : -1;
}

int CorvaleSession::ReadEeprom(std::uint8_t* out, int address, int length) {
  if (out == nullptr || address < 0 || length <= 0 || address + length > kMaxEepromBlock) return -1;
  if (!Begin(true, true)) return -1;
  char cmd[32];
  std::snprintf(cmd, sizeof cmd, "EEBRD %X %X\n", address, length);
  if (!Command(cmd)) return -1;
  std::vector<std::uint8_t> block(static_cast<std::size_t>(length) + 2);
  const int r = ReadCrcInto(block.data(), block.size());
  if (r != 0) return r;
  std::memcpy(out, block.data(), static_cast<std::size_t>(length));
  return 0;
}

int CorvaleSession::WriteEeprom(int address, const std::uint8_t* data, int length) {
  if (data == nullptr || address < 0 || length <= 0 || address + length > kMaxEepromBlock) return -1;
  if (!Begin(true, true)) return -1;
  char cmd[32];
  std::snprintf(cmd, sizeof cmd, "EEBWR %X %X\n", address, length);
  if (!Command(cmd)) return -1;
  std::vector<std::uint8_t> block(data, data + length);
  block.resize(block.size() + 2);
  Crc16Append(block.data(), static_cast<std::size_t>(length));
  if (PutBytes(block.data(), block.size()) != 0) return -1;
  // The console checks the block's CRC; anything but ACK means it was not written.
  return GetAcknowledge() == 1 ? 0 : -1;
}

int CorvaleSession::GetFirmwareDate(FirmwareDate& date) {
  date = {};
  if (!Begin(true, true)) return -1;
  if (PutStr("VER\n") != 0 || !ExpectOk()) return -1;
  const std::string text = ReadText(kFirmwareDateSize, true);
  const auto parsed = ParseFirmwareDate(text);
  if (!parsed) {
    SetErrorText("VER: " + text);
    return -1;
  }
  date = *parsed;
  return 0;
}

int CorvaleSession::GetFirmwareVersion(std::string& text) {
  text.clear();
  if (!Begin(true, true)) return -1;
  SetTimeOuts(0);
  if (PutStr("NVER\n") != 0 || !ReadOk()) return -1;
  std::string reply = ReadText(kVersionSize, true);
  const auto start = reply.find_first_not_of(" \r\n");
  if (start == std::string::npos) return -1;
  reply = reply.substr(start, 4);
  const auto end = reply.find_first_of("\r\n");
  text = reply.substr(0, end);
  return text.empty() ? -1 : 0;
}

int CorvaleSession::GetFirmwareVersionNumber() {
  std::string text;
  if (GetFirmwareVersion(text) != 0) return 0;
  return ParseFirmwareVersionNumber(text);
}

int CorvaleSession::GetTime(ConsoleTime& t) {
  t = {};
  if (!Begin(true, true)) return -1;
  if (!Command("GETTIME\n")) return -1;
  const int r = ReadBlockCrc(8);
  if (r != 0) return r;
  ConsoleTime got{buffer_[5] + 1900, buffer_[4], buffer_[3], buffer_[2], buffer_[1]};
  if (got.month < 1 || got.month > 12 || got.day < 1 || got.day > 31 || got.hour > 23 || got.minute > 59) {
    SetErrorText("GETTIME: time out of range");
    return -1;
  }
  t = got;
  return 0;
}

int CorvaleSession::SetTime(const ConsoleTime& t) {
  if (t.year < 1900 || t.year > 1900 + 255 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 ||
      t.hour > 23 || t.minute < 0 || t.minute > 59) {
    return -1;
  }
  if (!Begin(true, true)) return -1;
  if (!Command("SETTIME\n")) return -1;
  std::uint8_t block[8] = {0,
                           static_cast<std::uint8_t>(t.minute),
                           static_cast<std::uint8_t>(t.hour),
                           static_cast<std::uint8_t>(t.day),
                           static_cast<std::uint8_t>(t.month),
                           static_cast<std::uint8_t>(t.year - 1900)};
  Crc16Append(block, 6);
  if (PutBytes(block, sizeof block) != 0) return -1;
  return GetAcknowledge() == 1 ? 0 : -1;
}

int CorvaleSession::GetArchivePeriod() {
  std::uint8_t period = 0;
  if (ReadEeprom(&period, kEepromArchivePeriod, 1) != 0) return -1;
  return period;
}

int CorvaleSession::GetReceptionStats(std::array<int, 5>& stats) {
  stats = {};
  if (!Begin(true, true)) return -1;
  ClearInput();
  if (PutStr("RXCHECK\n") != 0 || !ExpectOk()) return -1;
  SaveTimeOuts();
  SetTimeOuts(4);
  const std::string text = ReadText(kStatsTextSize, true);
  RestoreTimeOuts();
  const auto parsed = ParseReceptionStats(text);
  if (!parsed) {
    SetErrorText("RXCHECK: " + text.substr(0, 40));
    return -1;
  }
  stats = *parsed;
  return 0;
}

int CorvaleSession::GetBarData(std::string& text) {
  text.clear();
  if (!Begin(true, true)) return -1;
  ClearInput();
  if (PutStr("BARDATA\n") != 0 || !ExpectOk()) return -1;
  SaveTimeOuts();
  SetTimeOuts(4);
  text = ReadText(kStatsTextSize, false);
  RestoreTimeOuts();
  return 0;
}

int CorvaleSession::AllocDumpBuffer(int pages) {
  if (pages < 0 || pages > kMaxDumpPages) return -1;
  const std::size_t size = std::max<std::size_t>(static_cast<std::size_t>(pages) * kDumpPageStride, kSessionBufferSize);
  buffer_.assign(size, 0);
  if (page_buffer_.size() != kPageBufferSize) page_buffer_.assign(kPageBufferSize, 0);
  return 0;
}

int CorvaleSession::DumpAfter(std::uint16_t date, std::uint16_t time, int& pages, int& first_record) {
  pages = first_record = 0;
  if (!Begin(false, true)) return -1;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (WakeUp() != 1) continue;
    bool acked = false;
    for (int i = 0; i < gRetryCount && !acked; ++i) {
      ClearInput();
      if (PutStr("DMPAFT\n") != 0) continue;
      acked = GetAcknowledge() == 1;
    }
    if (!acked) {
      SetError(kErrTimeout);
      return kErrTimeout;
    }
    crc_ = 0;
    if (PutWordCrc(date) != 0 || PutWordCrc(time) != 0 || PutCrc() != 0) continue;
    SetTimeOuts(1);
    if (GetAcknowledge() == 1) {
      if (ReadBlockCrc(6) == 0) {
        pages = buffer_[0] | (buffer_[1] << 8);
        first_record = buffer_[2] | (buffer_[3] << 8);
        return 0;
      }
      pages = first_record = 0;
      continue;
    }
    RestoreTimeOuts();
    (void)PutChar(kEsc);
  }
  return -1;
}

int CorvaleSession::ReadDumpPage(int expected_seq, std::uint8_t& reply, std::size_t offset) {
  reply = kNak;
  if (!transport_->usable()) return -1;
  if (page_buffer_.size() != kPageBufferSize) page_buffer_.assign(kPageBufferSize, 0);
  const int r = ReadCrcInto(page_buffer_.data(), kDumpPageSize);
  if (r == -1) {
    if (TimedOut()) {
      SetError(kErrIncomplete);
      return kErrIncomplete;
    }
    clock().SleepMs(250);
    ClearInput();
    return last_error_ != 0 ? last_error_ : -1;
  }
  if (r == kErrCrc) {
    clock().SleepMs(250);
    ClearInput();
    return kErrCrc;
  }
  const int seq = page_buffer_[0];
  const int expected = expected_seq & 0xFF;
  if (seq == ((expected + 255) & 0xFF)) {
    reply = kAck;  // the console repeated the page before: our ACK was lost
    SetError(kErrSequence);
    return kErrSequence;
  }
  if (seq != expected) {
    clock().SleepMs(250);
    ClearInput();
    SetError(kErrSequence);
    return kErrSequence;
  }
  if (offset + kDumpPageStride > buffer_.size()) return -1;
  std::memcpy(buffer_.data() + offset, page_buffer_.data() + 1, kDumpPageStride);
  return 0;
}

}  // namespace sq
