// RS232CommProtocol: a console on a tty — a real serial port, a USB-serial adapter or
// a pseudo-terminal (the simulator). The port is opened exclusively (an advisory lock
// on the device), raw, 8N1, at the configured speed, with hardware output flow
// control when the console family or a modem asks for it.
#pragma once

#include <string>

#include "link/comm_protocol.h"

namespace sq {

class RS232CommProtocol : public CommProtocol {
 public:
  explicit RS232CommProtocol(const CommSettings& settings);
  [[nodiscard]] int OpenPort() override;
  void HangUp() override;

  // The device path this transport opens: the configured path, else the system's
  // n-th serial device; empty for port 0 without a path.
  [[nodiscard]] std::string DevicePath() const;

 protected:
  // Opens and configures `path`; 1 or 0 with status and error set.
  int OpenTty(const std::string& path);
  void SetDtr(bool on);
};

}  // namespace sq
