// The serial port test and the console search.
//
// The port test looks for a telephone modem ("AT E Q V" answered with "OK") and for a
// loopback connector (five bytes come back unchanged). The console search asks every
// port of a list for the console's model code and stops at the first that answers.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "link/comm_protocol.h"

namespace sq {

// Port test results.
inline constexpr int kPortTestLoopback = 1;
inline constexpr int kPortTestNothing = 0;  // also: a modem answered (see message)
inline constexpr int kPortTestFailed = -1;
inline constexpr int kPortTestNoPort = -2;
inline constexpr int kPortTestInUse = -3;
inline constexpr int kPortTestNoSession = -5;

// Tests the port of `settings` (serial, probe family); `message` receives the text
// for the user when something was found.
[[nodiscard]] int TestSerialPort(const CommSettings& settings, std::string& message);

// A port of the search: its COM number and device path.
using PortEntry = std::pair<int, std::string>;

// Tests `selected`, then every other port of `ports`, until one has the loopback
// connector. Returns its COM number, or 0 with "Could not find loopback connector.".
[[nodiscard]] int FindLoopbackPort(const CommSettings& base, const std::vector<PortEntry>& ports, int selected,
                                   std::string& message);

struct ConsoleSearchResult {
  int port = 0;    // COM number, 0 when none answered
  int model = -1;  // model code
  std::string message;
};

// Asks each port for the model code (retry count 2, profile 10) and stops at the
// first port that answers with a known code.
[[nodiscard]] ConsoleSearchResult FindConsole(const CommSettings& base, const std::vector<PortEntry>& ports);

// The search's text for model `code` with the port number; empty for unknown codes.
[[nodiscard]] std::string ModelFoundText(int code, int port);

}  // namespace sq
