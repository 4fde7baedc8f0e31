// SerialPortManager: owns the open console sessions, at most four at a time, and
// closes ports that stayed idle. Tick() is called once a second by the run loop; a
// session whose idle countdown reaches 0 gets its port closed, but the session stays
// and reopens its port on the next command.
#pragma once

#include <array>
#include <memory>

#include "link/serial_session.h"

namespace sq {

class SerialPortManager {
 public:
  static constexpr int kSlots = 4;

  // A session of the class the console family asks for (3 current, 0 older, 4 probe);
  // none when all slots are taken or the family is unknown.
  [[nodiscard]] SerialSession* CreateSession(const CommSettings& settings);
  // Destroys the session; 0, or -1 when it is not one of ours.
  int CloseSession(SerialSession* session);
  void CloseAllSessions();
  // Closes the port of the session in `slot` but keeps the session.
  void ClosePort(int slot);
  void CloseAllPorts();
  // Some session is enabled, on a modem and has its carrier.
  [[nodiscard]] bool AnyModemConnected() const;
  void HangUpAll();
  // The one-second timer.
  void Tick();
  [[nodiscard]] SerialSession* session(int slot) const;

 private:
  std::array<std::unique_ptr<SerialSession>, kSlots> slots_;
};

}  // namespace sq
