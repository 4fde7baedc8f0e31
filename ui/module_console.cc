#include "ui/module_console.h"

#include <algorithm>
#include <utility>

#include "app/dirs.h"
#include "app/module_host.h"
#include "app/port_map.h"
#include "app/station.h"
#include "link/comm_error.h"
#include "link/console_config.h"
#include "link/loop_packets.h"
#include "link/serial_port_manager.h"
#include "publish/internet_config.h"

namespace sq::ui {
namespace {

static_assert(SQ_SENSOR_IMAGE_SIZE == kLoopPacketSize);
static_assert(SQ_ALARM_BLOCK_SIZE == kAlarmBlockSize);
static_assert(SQ_INET_CONFIG_SIZE == sizeof(InternetConfiguration));

// Runs `work` on a session to the station's console, closed again afterwards.
int WithSession(SerialPortManager& manager, Station* station, const std::function<int(SerialSession&)>& work) {
  if (station == nullptr) return 0;
  PortMap ports;
  std::string error;
  (void)ports.Load(ProgramFolder(), &error);
  const auto connection = station->GetConnection(&ports);
  if (!connection) return 0;
  const CommSettings settings = CommSettingsFrom(*connection);
  // The older console families have another packet and no alarm block.
  if (settings.console_family != kFamilyCorvale) return 0;
  SerialSession* session = manager.CreateSession(settings);
  if (session == nullptr) return 0;
  session->set_station_model(station->record().model);
  const int rc = work(*session);
  (void)manager.CloseSession(session);
  return rc;
}

}  // namespace

void WireModuleConsole(SerialPortManager& manager, std::function<Station*()> station) {
  ModuleHostHooks& hooks = ModuleHost::Get().hooks();
  hooks.read_sensor_image = [&manager, station](std::array<std::uint8_t, SQ_SENSOR_IMAGE_SIZE>& packet) {
    return WithSession(manager, station(), [&](SerialSession& session) {
      LoopPackets loop(session);
      LoopRecord record;
      if (loop.GetLoopPackets(record, kLoopKindLoop) != 0) return 0;
      const LoopPacket& raw = loop.lastLoopPacket();
      std::copy(raw.begin(), raw.end(), packet.begin());
      return 1;
    });
  };
  hooks.read_alarms = [&manager, station](std::array<std::uint8_t, SQ_ALARM_BLOCK_SIZE>& block) {
    return WithSession(manager, station(), [&](SerialSession& session) {
      ConsoleConfig config(session);
      AlarmBlock alarms{};
      if (config.ReadAlarms(alarms) != 0) return 0;
      std::copy(alarms.begin(), alarms.end(), block.begin());
      return 1;
    });
  };
  // The ports close, the sessions stay: `run` keeps its real-time session, which opens
  // its port again at its next poll.
  hooks.close_connection = [&manager] { manager.CloseAllPorts(); };
  // The internet settings of the open station (StationOpened() keeps them current).
  hooks.get_inet_config = []() -> const void* { return sq::GetInetConfig(); };
  hooks.set_inet_config = [](const void* record) { return sq::SetInetConfig(record); };
}

}  // namespace sq::ui
