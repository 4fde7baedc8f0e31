#include "link/serial_session.h"

#include <cstdio>
#include <cstring>

#include "link/crc16.h"
#include "link/rs232_comm_protocol.h"
#include "link/tcp.h"
#include "link/usb_comm_protocol.h"

namespace sq {

int gRetryCount = 5;
bool gReconnecting = false;

namespace {
constexpr int kWakeAttempts = 5;
constexpr int kStationModelCompact = 7;
}  // namespace

std::unique_ptr<CommProtocol> MakeTransport(const CommSettings& settings) {
  switch (settings.connection_type) {
    case kConnTcp:
      return std::make_unique<TCP>(settings);
    case kConnUsb:
      return std::make_unique<USBCommProtocol>(settings);
    default:
      return std::make_unique<RS232CommProtocol>(settings);
  }
}

SerialSession::SerialSession(const CommSettings& settings) : SerialSession(settings, MakeTransport(settings)) {}

SerialSession::SerialSession(const CommSettings& settings, std::unique_ptr<CommProtocol> transport)
    : transport_(std::move(transport)),
      usb_device_id_(settings.usb_device_id),
      idle_seconds_(settings.idle_seconds < 0 ? 60 : settings.idle_seconds) {
  transport_->status() = kStatusEnabled | (settings.modem != 0 ? kStatusModem : 0u);
}

SerialSession::~SerialSession() {
  if (transport_->status() & kStatusPortOpen) transport_->ClosePort();
}

bool SerialSession::TimedOut() const {
  return last_error_ == kErrTimeout || last_error_ == kErrNetRecvTimeout || last_error_ == 1460;
}

int SerialSession::GetChar() {
  if (!transport_->usable()) return -1;
  const int b = transport_->GetCharFromDev();
  if (b < 0) {
    SyncError();
    return -1;
  }
  ResetIdle();
  return b;
}

int SerialSession::PutBytes(const std::uint8_t* data, std::size_t n) {
  if (!transport_->usable()) return -1;
  if (transport_->PutBytes(data, n) == 0) {
    ResetIdle();
    return 0;
  }
  SyncError();
  if (gReconnecting) return -1;
  // The line may have dropped (a logger that closed the connection, an unplugged
  // adapter): reconnect once and send again.
  // Only the channel is reopened: the buffers stay, so pages already received in a
  // download survive the reconnection.
  gReconnecting = true;
  transport_->ClosePort();
  const bool reopened = Open();
  gReconnecting = false;
  if (!reopened) return -1;
  if (transport_->PutBytes(data, n) != 0) {
    SyncError();
    return -1;
  }
  ResetIdle();
  return 0;
}

int SerialSession::PutChar(std::uint8_t byte) { return PutBytes(&byte, 1); }

int SerialSession::PutStr(std::string_view text) {
  return PutBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

int SerialSession::PutWord(std::uint16_t value) {
  const std::uint8_t b[2] = {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8)};
  return PutBytes(b, 2);
}

int SerialSession::PutWordCrc(std::uint16_t value) {
  crc_ = Crc16Update(crc_, static_cast<std::uint8_t>(value & 0xFF));
  crc_ = Crc16Update(crc_, static_cast<std::uint8_t>(value >> 8));
  return PutWord(value);
}

int SerialSession::PutCrc() {
  const std::uint8_t b[2] = {static_cast<std::uint8_t>(crc_ >> 8), static_cast<std::uint8_t>(crc_ & 0xFF)};
  return PutBytes(b, 2);
}

int SerialSession::GetAcknowledge() {
  if (!transport_->usable()) {
    SetErrorText("GetACK: hComm");
    return -1;
  }
  const int before = last_error_;
  const int b = GetChar();
  if (b < 0) {
    last_error_ = before;  // a time-out shows in the status bits only
    return 0;
  }
  if (b == kAck) {
    transport_->status() &= ~kStatusProtocolError;
    return 1;
  }
  transport_->status() |= kStatusIoError | kStatusProtocolError;
  SetError(kErrNotAck);
  char text[80];
  std::snprintf(text, sizeof text, "GetAcknowledge () response: 0x%02X (should be 0x06 <ACK>)", b);
  SetErrorText(text);
  return 0;
}

int SerialSession::ReadBytes(std::size_t n) {
  if (!transport_->usable() || n > buffer_.size()) return -1;
  count_ = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const int b = GetChar();
    if (b < 0) return -1;
    buffer_[i] = static_cast<std::uint8_t>(b);
    count_ = i + 1;
  }
  return 0;
}

int SerialSession::ReadCrcInto(std::uint8_t* dst, std::size_t n) {
  crc_ = 0;
  count_ = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const int b = GetChar();
    if (b < 0) return -1;
    dst[i] = static_cast<std::uint8_t>(b);
    crc_ = Crc16Update(crc_, dst[i]);
    count_ = i + 1;
  }
  if (crc_ != 0) {
    transport_->status() |= kStatusIoError | kStatusChecksumError;
    SetError(kErrCrc);
    return kErrCrc;
  }
  return 0;
}

int SerialSession::ReadBlockCrc(std::size_t n) {
  if (!transport_->usable() || n > buffer_.size()) return -1;
  return ReadCrcInto(buffer_.data(), n);
}

std::string SerialSession::ReadText(std::size_t max, bool one_line) {
  std::string text;
  while (text.size() < max) {
    const int b = GetChar();
    if (b < 0) break;
    text.push_back(static_cast<char>(b));
    if (one_line && (b == '\r' || b == '\n') && text.find_first_not_of(" \r\n") != std::string::npos) break;
  }
  // Running out of text is how such a reply ends; it is not an error.
  transport_->status() &= ~(kStatusIoError | kStatusTimeout);
  return text;
}

bool SerialSession::Open() {
  auto& status = transport_->status();
  if (!(status & kStatusEnabled)) return false;
  status &= ~kStatusInUse;
  if (status & kStatusLinked) {
    ResetIdle();
    return true;
  }
  if (!(status & kStatusPortOpen)) {
    if (buffer_.size() < kSessionBufferSize) buffer_.assign(kSessionBufferSize, 0);
    if (transport_->OpenPort() != 1) {
      SyncError();
      return false;
    }
    status |= kStatusPortOpen;
    transport_->SetSystemTimeOuts(consoleFamily() != 0 ? 0 : 8);
    transport_->SaveTimeOuts();
    ResetIdle();
    if ((status & kStatusModem) && consoleFamily() != kFamilyProbe) {
      // Dial the stored number and wait for the carrier.
      transport_->SetSystemTimeOuts(6);
      const std::string dial = "ATDT" + transport_->settings().text1 + "\r";
      if (transport_->PutStrInDev(dial) != 0) {
        SyncError();
        return false;
      }
      const std::string answer = ReadText(64, false);
      if (answer.find("CONNECT") == std::string::npos) {
        SyncError();
        return false;
      }
      status |= kStatusCarrier;
      transport_->SetSystemTimeOuts(7);
    }
  }
  status |= kStatusLinked;
  transport_->set_pushed_back(0xFFFF);
  count_ = 0;
  packet_fill_ = 0;
  crc_ = 0;
  return true;
}

void SerialSession::Close() {
  transport_->ClosePort();
  buffer_.clear();
  buffer_.shrink_to_fit();
  page_buffer_.clear();
  page_buffer_.shrink_to_fit();
  idle_countdown_ = 0;
}

bool SerialSession::Begin(bool wake, bool corvale_only) {
  if (!(transport_->status() & kStatusEnabled)) return false;
  if (corvale_only && consoleFamily() != kFamilyCorvale) return false;
  if (!(transport_->status() & kStatusLinked) && !Open()) return false;
  if (wake && WakeUp() != 1) return false;
  return true;
}

int SerialSession::WakeUp() {
  if (!transport_->usable()) return 0;
  for (int i = 0; i < kWakeAttempts; ++i) {
    if (PutChar(kCr) != 0) return 0;
    clock().SleepMs(20);
    if (GetChar() >= 0) return 1;
  }
  return 0;
}

int SerialSession::GetModelNo() {
  if (!(transport_->status() & kStatusEnabled)) return -1;
  if (!(transport_->status() & kStatusLinked) && !Open()) return -1;
  bool answered = false;
  for (int i = 0; i < kWakeAttempts && !answered; ++i) {
    if (PutChar(kCr) != 0) return -1;
    const int b = GetChar();
    answered = b == kLf || b == '!';
    if (!answered) clock().SleepMs(10);
  }
  clock().SleepMs(100);
  if (!answered) return -1;
  bool acked = false;
  for (int i = 0; i < gRetryCount && !acked; ++i) {
    ClearInput();
    const std::uint8_t cmd[] = {'W', 'R', 'D', 0x12, 0x4D, kCr};
    if (PutBytes(cmd, sizeof cmd) != 0) return -1;
    acked = GetAcknowledge() == 1;
  }
  if (!acked) return -1;
  return GetChar();
}

void SerialSession::ResizeDumpBuffer() {
  if (consoleFamily() != kFamilyBrisant && consoleFamily() != kFamilyCorvale) return;
  if (!buffer_.empty()) {
    buffer_.resize(kSessionBufferSize);
    buffer_.shrink_to_fit();
  }
  page_buffer_.clear();
  page_buffer_.shrink_to_fit();
}

int SerialSession::DumpAfter(std::uint16_t, std::uint16_t, int& pages, int& first_record) {
  pages = first_record = 0;
  return -1;
}

int SerialSession::ReadDumpPage(int, std::uint8_t& reply, std::size_t) {
  reply = kNak;
  return -1;
}

int SerialSession::AllocDumpBuffer(int) { return -1; }
int SerialSession::WriteEepromText(int, int) { return -1; }
int SerialSession::ReadEeprom(std::uint8_t*, int, int) { return -1; }
int SerialSession::WriteEeprom(int, const std::uint8_t*, int) { return -1; }
int SerialSession::GetFirmwareDate(FirmwareDate& date) {
  date = {};
  return -1;
}
int SerialSession::GetFirmwareVersion(std::string& text) {
  text.clear();
  return -1;
}
int SerialSession::GetTime(ConsoleTime& t) {
  t = {};
  return -1;
}
int SerialSession::SetTime(const ConsoleTime&) { return -1; }
int SerialSession::GetReceptionStats(std::array<int, 5>& stats) {
  stats = {};
  return -1;
}
int SerialSession::GetBarData(std::string& text) {
  text.clear();
  return -1;
}

bool SerialSession::IsLoop2Supported() {
  if (station_model_ == kStationModelCompact) return true;
  return GetFirmwareVersionNumber() >= 190;
}

}  // namespace sq
