#include "link/comm_error.h"

#include <algorithm>
#include <cstdio>

#include "app/connection.h"
#include "link/network_error.h"
#include "link/serial_session.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {

std::string DescribeCommError(int code, std::uint32_t status) {
  std::uint32_t id = 0;
  switch (code) {
    case kErrTimeout:
    case kErrNetTimeout:
    case kErrNetRecvTimeout:
    case 1460:
      id = 33100;
      break;
    case kErrReadFailed:
      id = 33101;
      break;
    case kErrWriteFailed:
      id = 33102;
      break;
    case kErrNoPort:
      id = 33103;
      break;
    case kErrPortInUse:
      id = 33104;
      break;
    case kErrUsbNotFound:
      id = 33105;
      break;
    case kErrUsbStatus1:
    case kErrUsbStatus6:
    case kErrUsbStatus9:
    case kErrUsbOther:
      id = 33106;
      break;
    case kErrCrc:
      id = 33107;
      break;
    case kErrNotAck:
      id = 33108;
      break;
    case kErrIncomplete:
      id = 33109;
      break;
    case kErrNoWakeUp:
      id = 33110;
      break;
    case kErrSequence:
      id = 33113;
      break;
    case kErrLinkClosed:
      id = 33115;
      break;
    default:
      break;
  }
  if (id == 0 && code <= -19 && code >= -33) {
    std::string text = NetworkErrorText(code, "");
    return text.substr(std::min(text.find_first_not_of(' '), text.size()));
  }
  if (id == 0 && (status & kStatusTimeout)) id = 33100;
  if (id == 0 && (status & kStatusChecksumError)) id = 33107;
  if (id == 0 && (status & kStatusProtocolError)) id = 33108;
  if (id != 0) return std::string(LoadString(id));
  const std::string format(LoadString(string_id::kCommunicationError));
  char buf[128];
  std::snprintf(buf, sizeof buf, format.c_str(), code);
  return buf;
}

std::string DescribeCommError(const SerialSession& session) {
  // A system error of the channel (a positive errno) is told in its own words.
  if (session.lastError() > 0 && !session.channelErrorText().empty()) return std::string(session.channelErrorText());
  return DescribeCommError(session.lastError(), session.status());
}

CommSettings CommSettingsFrom(const ConnectionDescription& c) {
  CommSettings s;
  s.port_number = static_cast<std::int16_t>(std::clamp(c.com_port, 0, 255));
  s.baud_rate = static_cast<std::int16_t>(std::clamp(c.baud, 0, 32767));
  s.console_family = static_cast<std::int16_t>(c.console_family);
  s.connection_type = static_cast<std::int16_t>(c.kind);
  s.idle_seconds = static_cast<std::int16_t>(std::clamp(c.idle_minutes * 60, 0, 32767));
  s.modem = c.modem ? 1 : 0;
  s.text1 = c.modem_dial;
  s.text2 = c.modem_init;
  s.usb_device_id = c.usb_id;
  s.device_path = c.device;
  s.tcp_port = c.tcp_port_text.empty() ? std::to_string(c.tcp_port) : c.tcp_port_text;
  s.mac_address = c.mac_text;
  s.host = c.host;
  s.address_fixed = c.host_fixed;
  return s;
}

}  // namespace sq
