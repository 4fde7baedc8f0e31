// SerialSession: one open conversation with a console over a CommProtocol channel.
// The base class holds the byte-level operations (bytes, words, CRC blocks, ACK),
// link up and close, reconnection after a failed write, and one virtual operation for
// every console function; the base versions fail. CorvaleSession and BrisantSession
// implement them for the two console families.
//
// Results: 0 success and a negative code for failure unless an operation says
// otherwise; lastError() holds the code (transport codes plus the session's own
// below), status() the status word shared with the transport.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/comm_protocol.h"

namespace sq {

inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;
inline constexpr std::uint8_t kEsc = 0x1B;
inline constexpr std::uint8_t kLf = 0x0A;
inline constexpr std::uint8_t kCr = 0x0D;

// Session error codes, added to the transport's.
inline constexpr int kErrMissedHeader = -2;
inline constexpr int kErrSequence = -3;
inline constexpr int kErrCrc = -4;
inline constexpr int kErrNotAck = -8;
inline constexpr int kErrIncomplete = -9;
inline constexpr int kErrNoWakeUp = -10;

inline constexpr std::size_t kSessionBufferSize = 512;
inline constexpr std::size_t kPageBufferSize = 280;
inline constexpr std::size_t kDumpPageSize = 267;    // sequence, 5 records, 4 unused, CRC
inline constexpr std::size_t kDumpPageStride = 264;  // bytes 1..264 of a page in the dump buffer
inline constexpr int kMaxDumpPages = 1024;           // twice the archive's capacity

// Model codes a console answers to GetModelNo: the older consoles 0..6, the current
// ones 16 and 17.
inline constexpr int kConsoleModelMistraIII = 0;
inline constexpr int kConsoleModelMistraII = 1;
inline constexpr int kConsoleModelBrisantII = 2;
inline constexpr int kConsoleModelOrvellineII = 3;
inline constexpr int kConsoleModelAgrivane = 4;
inline constexpr int kConsoleModelVoltara = 5;
inline constexpr int kConsoleModelSalvia = 6;
inline constexpr int kConsoleModelCorvalePro = 16;
inline constexpr int kConsoleModelCorvaleLumo = 17;

// Retry count for commands (the console search lowers it while it runs).
extern int gRetryCount;
// Set while a session reconnects after a failed write, so that it happens only once.
extern bool gReconnecting;

struct FirmwareDate {
  int year = 0, month = 0, day = 0;
};

struct ConsoleTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// Creates the channel named by settings.connection_type (3 TCP, 2 USB, else serial).
[[nodiscard]] std::unique_ptr<CommProtocol> MakeTransport(const CommSettings& settings);

class SerialSession {
 public:
  explicit SerialSession(const CommSettings& settings);
  // A session on a channel made elsewhere (tests, replay of captured bytes).
  SerialSession(const CommSettings& settings, std::unique_ptr<CommProtocol> transport);
  SerialSession(const SerialSession&) = delete;
  SerialSession& operator=(const SerialSession&) = delete;
  virtual ~SerialSession();

  // Byte level. All fail with -1 unless the port is usable.
  [[nodiscard]] int GetChar();
  [[nodiscard]] int PutChar(std::uint8_t byte);
  [[nodiscard]] int PutStr(std::string_view text);
  [[nodiscard]] int PutBytes(const std::uint8_t* data, std::size_t n);
  [[nodiscard]] int PutWord(std::uint16_t value);
  [[nodiscard]] int PutWordCrc(std::uint16_t value);
  [[nodiscard]] int PutCrc();
  // 1 on ACK, 0 on time-out or another byte (-8, status bits), -1 port not open.
  [[nodiscard]] int GetAcknowledge();
  // n bytes into buffer() without CRC; 0 or -1.
  [[nodiscard]] int ReadBytes(std::size_t n);
  // n bytes (data and 2 CRC bytes) into buffer(); 0, -1 missing byte, -4 bad CRC.
  [[nodiscard]] int ReadBlockCrc(std::size_t n);
  // Text of up to `max` bytes read as it comes: stops at the time-out or, with
  // `one_line`, at the line end that follows some text. Never fails; may be empty.
  [[nodiscard]] std::string ReadText(std::size_t max, bool one_line);

  void SaveTimeOuts() { transport_->SaveTimeOuts(); }
  void RestoreTimeOuts() { transport_->RestoreTimeOuts(); }
  void SetTimeOuts(int profile) { transport_->SetSystemTimeOuts(profile); }
  void ClearInput() { transport_->ClearReceiveBuffer(); }

  // Link up: opens the port when needed; true on success.
  [[nodiscard]] bool Open();
  void Close();
  // Model code of the console (kConsoleModel...), -1 when none answers.
  [[nodiscard]] int GetModelNo();
  void ResizeDumpBuffer();

  // Console operations; the base fails.
  [[nodiscard]] virtual int DumpAfter(std::uint16_t date, std::uint16_t time, int& pages, int& first_record);
  [[nodiscard]] virtual int ReadDumpPage(int expected_seq, std::uint8_t& reply, std::size_t offset);
  [[nodiscard]] virtual int AllocDumpBuffer(int pages);
  [[nodiscard]] virtual bool ExpectOk() { return false; }
  [[nodiscard]] virtual bool ExpectDone() { return false; }
  [[nodiscard]] virtual bool NewSetup() { return false; }
  // 1 when the console answered, 0 otherwise.
  [[nodiscard]] virtual int WakeUp();
  [[nodiscard]] virtual int WriteEepromText(int address, int byte);
  [[nodiscard]] virtual int ReadEeprom(std::uint8_t* out, int address, int length);
  [[nodiscard]] virtual int WriteEeprom(int address, const std::uint8_t* data, int length);
  [[nodiscard]] virtual int GetFirmwareDate(FirmwareDate& date);
  [[nodiscard]] virtual int GetFirmwareVersion(std::string& text);
  [[nodiscard]] virtual int GetFirmwareVersionNumber() { return 0; }
  [[nodiscard]] virtual int GetTime(ConsoleTime& t);
  [[nodiscard]] virtual int SetTime(const ConsoleTime& t);
  [[nodiscard]] virtual int GetArchivePeriod() { return -1; }
  [[nodiscard]] virtual int GetReceptionStats(std::array<int, 5>& stats);
  [[nodiscard]] virtual int GetBarData(std::string& text);
  // Real-time stream support is decided by model and firmware.
  [[nodiscard]] bool IsLoop2Supported();

  // State.
  [[nodiscard]] std::uint32_t status() const { return transport_->status(); }
  [[nodiscard]] int lastError() const { return last_error_; }
  // The last read or write found the link gone (hung up, closed by the peer).
  [[nodiscard]] bool LinkClosed() const { return transport_->link_closed(); }
  [[nodiscard]] const std::string& errorText() const { return error_text_; }
  // The channel's own words for its last failure (may be empty).
  [[nodiscard]] std::string_view channelErrorText() const { return transport_->last_error_text(); }
  [[nodiscard]] CommProtocol& transport() { return *transport_; }
  [[nodiscard]] const std::vector<std::uint8_t>& buffer() const { return buffer_; }
  [[nodiscard]] const std::vector<std::uint8_t>& pageBuffer() const { return page_buffer_; }
  [[nodiscard]] std::size_t count() const { return count_; }
  [[nodiscard]] int idleCountdown() const { return idle_countdown_; }
  void set_idleCountdown(int s) { idle_countdown_ = s; }
  [[nodiscard]] int idleSeconds() const { return idle_seconds_; }
  [[nodiscard]] int consoleFamily() const { return transport_->settings().console_family; }
  void set_station_model(int model) { station_model_ = model; }
  [[nodiscard]] LinkClock& clock() const { return transport_->clock(); }

 protected:
  friend class LoopPackets;  // real-time packets (link/loop_packets.h)
  // Common start of a console command: enabled, link up, and (when `wake`) awake;
  // with `corvale_only` the console must be of the current family.
  [[nodiscard]] bool Begin(bool wake, bool corvale_only);
  void SetError(int code) {
    last_error_ = code;
    transport_->set_error(code);
  }
  void SetErrorText(std::string text) { error_text_ = std::move(text); }
  void ResetIdle() { idle_countdown_ = idle_seconds_; }
  // Reads n bytes into dst, running the CRC; 0, -1, -4.
  int ReadCrcInto(std::uint8_t* dst, std::size_t n);
  void SyncError() { last_error_ = transport_->GetErrorCode(); }
  [[nodiscard]] bool TimedOut() const;

  std::unique_ptr<CommProtocol> transport_;
  std::uint32_t usb_device_id_;
  std::vector<std::uint8_t> page_buffer_;
  std::size_t count_ = 0;
  std::size_t packet_fill_ = 0;
  int idle_countdown_ = 0;
  int idle_seconds_;
  std::uint16_t crc_ = 0;
  std::vector<std::uint8_t> buffer_;
  std::array<std::uint8_t, 99> packet_{};
  std::array<std::uint8_t, 99> last_loop_{};
  int last_error_ = 0;
  std::string error_text_;
  int station_model_ = -1;
  int loop2_supported_ = 255;  // above 254: not asked yet
};

}  // namespace sq
