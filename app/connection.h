// How to reach a station's console: the plain value a station hands to the transports.
// It carries everything the serial, USB-bridge and TCP channels need and nothing of the
// station record, so the console link can build its settings from it without knowing
// the record's layout. Built by Station::GetConnection (app/station.h).
#pragma once

#include <cstdint>
#include <string>

namespace sq {

enum class ConnectionKind : std::uint16_t {
  kNone = 0,    // no connection configured
  kSerial = 1,  // a tty: direct line or telephone modem
  kUsb = 2,     // USB serial bridge, chosen by the number in its serial-number string
  kTcp = 3,     // network data logger over TCP/IP
};

struct ConnectionDescription {
  ConnectionKind kind = ConnectionKind::kSerial;
  int console_family = 3;  // 3 current family, 0 older family
  int baud = 19200;        // limited to 2400 for the older family
  int com_port = 1;        // COM number, 1 = COM1
  std::string device;      // tty path of com_port, resolved through the port map
  int idle_minutes = 60;   // connection time setting, 1..1999
  bool modem = false;      // a telephone modem sits on the serial line
  std::uint8_t modem_option = 0;
  std::string modem_dial;  // dial text
  std::string modem_init;  // modem initialisation string
  std::string station_name;
  std::uint32_t transport_option = 1;
  std::uint32_t usb_id = 1;  // decimal number in the bridge's serial string; 1 = first found
  // Network logger.
  std::string host;  // address or name; used as is when host_fixed
  int tcp_port = 22222;
  std::string tcp_port_text = "22222";
  std::string mac_text;       // "XX:XX:XX:XX:XX:XX", empty when not set
  std::string extra_text[2];  // two further logger texts, passed through
  bool host_fixed = false;    // false: find the logger by its MAC address
};

}  // namespace sq
