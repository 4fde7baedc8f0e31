#include "link/port_test.h"

#include <cstdio>
#include <memory>

#include "link/serial_session.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

std::string Format(std::uint32_t id, int value) {
  const std::string format(LoadString(id));
  char buf[256];
  std::snprintf(buf, sizeof buf, format.c_str(), value);
  return buf;
}

constexpr std::uint8_t kLoopbackBytes[] = {0, 1, 2, 3, 4};

}  // namespace

std::string ModelFoundText(int code, int port) {
  std::uint32_t id = 0;
  if (code >= kConsoleModelMistraIII && code <= kConsoleModelSalvia) {
    id = string_id::kModelFoundOnPortFirst + static_cast<std::uint32_t>(code - kConsoleModelMistraIII);
  }
  if (code == kConsoleModelCorvalePro) id = string_id::kModelFoundOnPortCorvalePro;
  if (code == kConsoleModelCorvaleLumo) id = string_id::kModelFoundOnPortCorvaleLumo;
  return id != 0 ? Format(id, port) : std::string();
}

int TestSerialPort(const CommSettings& settings, std::string& message) {
  message.clear();
  CommSettings s = settings;
  s.console_family = kFamilyProbe;
  s.connection_type = kConnSerial;
  auto session = std::make_unique<SerialSession>(s);
  if (!session) return kPortTestNoSession;
  if (!session->Open()) {
    if (session->status() & kStatusNoPort) return kPortTestNoPort;
    if (session->status() & kStatusInUse) return kPortTestInUse;
    return kPortTestFailed;
  }
  session->SetTimeOuts(3);
  session->clock().SleepMs(500);
  if (session->PutStr("AT E Q V\r") != 0) return kPortTestFailed;
  session->clock().SleepMs(100);
  const std::string answer = session->ReadText(64, false);
  if (answer.find("OK") != std::string::npos) {
    message = Format(33062, settings.port_number);
    return kPortTestNothing;
  }
  session->ClearInput();
  for (std::uint8_t b : kLoopbackBytes) {
    if (session->PutChar(b) != 0 || session->GetChar() != b) return kPortTestNothing;
  }
  message = Format(33063, settings.port_number);
  return kPortTestLoopback;
}

int FindLoopbackPort(const CommSettings& base, const std::vector<PortEntry>& ports, int selected,
                     std::string& message) {
  std::vector<PortEntry> order;
  for (const auto& p : ports) {
    if (p.first == selected)
      order.insert(order.begin(), p);
    else
      order.push_back(p);
  }
  for (const auto& [port, path] : order) {
    CommSettings s = base;
    s.port_number = static_cast<std::int16_t>(port);
    s.device_path = path;
    if (TestSerialPort(s, message) == kPortTestLoopback) return port;
  }
  message = std::string(LoadString(string_id::kNoLoopbackConnector));
  return 0;
}

ConsoleSearchResult FindConsole(const CommSettings& base, const std::vector<PortEntry>& ports) {
  ConsoleSearchResult result;
  const int saved_retries = gRetryCount;
  gRetryCount = 2;
  for (const auto& [port, path] : ports) {
    CommSettings s = base;
    s.console_family = kFamilyProbe;
    s.connection_type = kConnSerial;
    s.port_number = static_cast<std::int16_t>(port);
    s.device_path = path;
    SerialSession session(s);
    if (!session.Open()) continue;
    session.SetTimeOuts(10);
    session.clock().SleepMs(100);
    const int model = session.GetModelNo();
    const std::string text = ModelFoundText(model, port);
    if (!text.empty()) {
      result = {port, model, text};
      break;
    }
  }
  gRetryCount = saved_retries;
  if (result.port == 0) result.message = std::string(LoadString(string_id::kNoStationFound));
  return result;
}

}  // namespace sq
