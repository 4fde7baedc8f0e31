// CommProtocol: the byte channel to a console and, at the same time, the value that
// carries the connection settings. The console sessions talk only to this interface;
// RS232CommProtocol (termios, any tty path including a pseudo-terminal),
// USBCommProtocol (the bridge's tty, chosen by its USB serial number) and TCP (a
// network data logger) supply the channel.
//
// Results follow one convention: OpenPort answers 1 for success and 0 for failure;
// byte reads answer 0..255 or -1; writes 0 or -1. The detail of a failure is in the
// status word (bits below) and in GetErrorCode() (codes below). Every wait goes
// through the LinkClock passed in the settings.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/station_models.h"
#include "link/link_clock.h"

namespace sq {

// Status word, shared bit for bit by transport and session.
inline constexpr std::uint32_t kStatusEnabled = 0x0001;
inline constexpr std::uint32_t kStatusPortOpen = 0x0002;
inline constexpr std::uint32_t kStatusInUse = 0x0004;
inline constexpr std::uint32_t kStatusModem = 0x0008;
inline constexpr std::uint32_t kStatusCarrier = 0x0010;
inline constexpr std::uint32_t kStatusLinked = 0x0020;
inline constexpr std::uint32_t kStatusNetInUse = 0x1000;
inline constexpr std::uint32_t kStatusNetUnreachable = 0x2000;
inline constexpr std::uint32_t kStatusNetNotInitialised = 0x3000;
inline constexpr std::uint32_t kStatusNetMask = 0x3000;
inline constexpr std::uint32_t kStatusUsbError = 0x4000;
inline constexpr std::uint32_t kStatusIoError = 0x10000;
inline constexpr std::uint32_t kStatusProtocolError = 0x40000;
inline constexpr std::uint32_t kStatusChecksumError = 0x80000;
inline constexpr std::uint32_t kStatusTimeout = 0x100000;
inline constexpr std::uint32_t kStatusLineError = 0x200000;
inline constexpr std::uint32_t kStatusDeviceError = 0x400000;
inline constexpr std::uint32_t kStatusNoPort = 0x1000000;
inline constexpr std::uint32_t kStatusUsable = kStatusEnabled | kStatusPortOpen;

// Transport error codes (GetErrorCode). The session adds -2, -3, -4, -8, -9, -10.
inline constexpr int kErrTimeout = -5;
inline constexpr int kErrReadFailed = -6;
inline constexpr int kErrWriteFailed = -7;
inline constexpr int kErrNoPort = -11;
inline constexpr int kErrPortInUse = -12;
inline constexpr int kErrUsbNotFound = -13;
inline constexpr int kErrUsbStatus1 = -14;
inline constexpr int kErrUsbStatus6 = -15;
inline constexpr int kErrUsbStatus9 = -16;
inline constexpr int kErrUsbOther = -17;
// The peer closed the connection or the device hung up: nothing more will come.
inline constexpr int kErrLinkClosed = -18;
// Network errors -19 .. -33 (see network_error.h).
inline constexpr int kErrNetTimeout = -23;
inline constexpr int kErrNetRecvTimeout = -27;
inline constexpr int kErrNetLoggerNotFound = -29;

// Connection types.
inline constexpr int kConnSerial = 1;
inline constexpr int kConnUsb = 2;
inline constexpr int kConnTcp = 3;

inline constexpr int kTimeoutProfiles = 11;

// The connection settings a session is built from.
struct CommSettings {
  std::int16_t port_number = 1;    // COM number, 1 = COM1
  std::int16_t baud_rate = 19200;  // bit/s
  std::int16_t console_family = kFamilyCorvale;
  std::int16_t connection_type = kConnSerial;
  std::int16_t idle_seconds = 60;  // negative: 60
  std::int16_t reserved16 = 0;
  std::int16_t modem = 0;  // non-zero: a telephone modem sits on the line
  std::string text1;       // modem dial text, carried only
  std::string text2;
  std::uint32_t usb_device_id = 1;  // number in the bridge's serial-number string
  // Serial: the device path of port_number (from the port map). Empty: /dev/ttyS<n-1>.
  std::string device_path;
  // USB: root of the sysfs tty class and of the device nodes (tests point these at
  // a fake tree).
  std::string sysfs_tty_root = "/sys/class/tty";
  std::string dev_root = "/dev";
  // TCP.
  std::string tcp_port = "22222";
  std::string mac_address;  // "00:11:22:33:44:55"
  std::string host;
  bool address_fixed = true;  // false: look the host up by MAC address on every open
  std::string broadcast_address = "255.255.255.255";
  std::string local_address;  // discovery: one configured local address, else all
  std::uint16_t discovery_port = 22222;
  LinkClock* clock = nullptr;  // null: the real clock
};

// Read and write time-outs of one profile for each kind of channel.
struct TimeoutProfile {
  int read_interval, read_multiplier, read_constant, write_multiplier, write_constant;
  int usb_read, usb_write;
  int tcp_read;
};
[[nodiscard]] const TimeoutProfile& GetTimeoutProfile(int profile);

class CommProtocol {
 public:
  explicit CommProtocol(const CommSettings& settings);
  CommProtocol(const CommProtocol&) = delete;
  CommProtocol& operator=(const CommProtocol&) = delete;
  virtual ~CommProtocol();

  // Slot order of the channel operations.
  [[nodiscard]] virtual int GetErrorCode() const { return last_error_; }
  [[nodiscard]] virtual int OpenPort() { return 0; }
  virtual int ClosePort();
  virtual void HangUp() {}
  [[nodiscard]] virtual int GetCharFromDev();
  virtual void SaveTimeOuts() { saved_profile_ = profile_; }
  virtual void RestoreTimeOuts() { profile_ = saved_profile_; }
  virtual void SetSystemTimeOuts(int profile);
  virtual int ClearReceiveBuffer();
  [[nodiscard]] virtual int CharAvailable();
  [[nodiscard]] virtual int PutCharInDev(std::uint8_t byte);
  [[nodiscard]] virtual int PutStrInDev(std::string_view text);
  virtual void StationCommError(std::string_view text);
  // Reads exactly `count` bytes when they are already waiting: 0 done, -1 otherwise.
  [[nodiscard]] virtual int ReadData(std::uint8_t* buffer, std::size_t count);

  // Writes a block in one go (used for binary payloads); 0 or -1, errors as for
  // PutCharInDev.
  [[nodiscard]] int PutBytes(const std::uint8_t* data, std::size_t n);

  // Accessors shared with the session.
  [[nodiscard]] std::uint32_t handle() const { return handle_; }
  [[nodiscard]] std::uint32_t& status() { return status_; }
  [[nodiscard]] std::uint32_t status() const { return status_; }
  [[nodiscard]] int pushed_back() const { return pushed_back_; }
  void set_pushed_back(int b) { pushed_back_ = b; }
  [[nodiscard]] std::uint32_t activity_count() const { return activity_count_; }
  void set_activity_reload(std::uint32_t r) { activity_reload_ = r; }
  void set_error(int code) { last_error_ = code; }
  [[nodiscard]] int profile() const { return profile_; }
  [[nodiscard]] const CommSettings& settings() const { return settings_; }
  [[nodiscard]] LinkClock& clock() const { return *clock_; }
  [[nodiscard]] std::string_view last_error_text() const { return last_error_text_; }
  [[nodiscard]] bool usable() const { return (status_ & kStatusUsable) == kStatusUsable && handle_ != 0; }
  // True once a read or write found the link gone (kErrLinkClosed); cleared when a
  // channel is attached again.
  [[nodiscard]] bool link_closed() const { return link_closed_; }

  // A moment (clock milliseconds) after which no read or write waits any more: each
  // wait is cut to what is left, and past it they fail as time-outs. Bounds a whole
  // exchange of many commands; see LinkDeadline.
  void SetDeadline(std::int64_t deadline_ms) { deadline_ms_ = deadline_ms; }
  void ClearDeadline() { deadline_ms_ = -1; }

 protected:
  // How long a read of one byte may wait, in this channel's terms.
  struct ReadTiming {
    int first_ms;     // wait for the first byte
    int interval_ms;  // 0: no limit between bytes
  };
  [[nodiscard]] virtual ReadTiming CurrentReadTiming() const;
  [[nodiscard]] virtual int CurrentWriteTimeoutMs(std::size_t n) const;
  // Sets status and error for a read time-out, a failed read, a failed write.
  virtual void OnReadTimeout();
  virtual void OnReadError(int os_error);
  virtual void OnWriteError(int os_error, bool timed_out);
  // Receives what is waiting into the read-ahead buffer; >0 bytes, 0 nothing yet,
  // -1 error (errno kept in os_error), -2 peer closed.
  virtual int FillReadAhead();

  void AttachFd(int fd);  // takes ownership; sets handle
  // The link is gone: error kErrLinkClosed, whatever the channel.
  void OnLinkClosed();
  // `ms` cut to the deadline; -1 when the deadline has passed.
  [[nodiscard]] int WithinDeadline(int ms) const;
  void CloseFd();
  [[nodiscard]] int fd() const { return fd_; }
  // Bytes already received and not yet handed out.
  [[nodiscard]] std::size_t Buffered() const { return ahead_len_ - ahead_pos_; }
  void SetErrorText(std::string_view text);
  void Touch() { activity_count_ = activity_reload_; }
  // Takes one byte from the read-ahead buffer, waiting at most `ms`.
  // Returns the byte, -1 on time-out, -2 on error.
  int NextByte(int ms);

  CommSettings settings_;
  LinkClock* clock_;
  std::uint32_t handle_ = 0;
  std::uint32_t status_ = kStatusEnabled;
  int last_error_ = 0;
  int os_error_ = 0;
  int pushed_back_ = 0xFFFF;
  std::uint32_t activity_count_ = 0;
  std::uint32_t activity_reload_ = 0;
  int profile_ = 0;
  int saved_profile_ = 0;
  std::string last_error_text_;
  bool link_closed_ = false;
  std::int64_t deadline_ms_ = -1;

 private:
  int fd_ = -1;
  std::array<std::uint8_t, 512> ahead_{};
  std::size_t ahead_pos_ = 0;
  std::size_t ahead_len_ = 0;
};

// Sets a deadline on a channel for the life of the object.
class LinkDeadline {
 public:
  LinkDeadline(CommProtocol& channel, int ms) : channel_(channel) {
    channel_.SetDeadline(channel_.clock().NowMs() + ms);
  }
  ~LinkDeadline() { channel_.ClearDeadline(); }
  LinkDeadline(const LinkDeadline&) = delete;
  LinkDeadline& operator=(const LinkDeadline&) = delete;

 private:
  CommProtocol& channel_;
};

}  // namespace sq
