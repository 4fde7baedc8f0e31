// The console services the functions exported to modules use, wired to the station's
// connection through the serial port manager.
#pragma once

#include <functional>

namespace sq {
class SerialPortManager;
class Station;
}  // namespace sq

namespace sq::ui {

// Sets the module host's hooks that reach the station: the console's current values
// (one real-time packet), its alarm block, closing the connection, and the station's
// internet settings. `manager` must outlive the modules.
void WireModuleConsole(SerialPortManager& manager, std::function<Station*()> station);

}  // namespace sq::ui
