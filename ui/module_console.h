// The console services the functions exported to modules use, wired to the station's
// connection through the serial port manager.
#pragma once

#include <functional>

namespace sq {
class SerialPortManager;
class Station;
}  // namespace sq

namespace sq::ui {

// Sets the module host's console hooks: the current values (one real-time packet), the
// alarm block and closing the connection. `manager` must outlive the modules.
void WireModuleConsole(SerialPortManager& manager, std::function<Station*()> station);

}  // namespace sq::ui
