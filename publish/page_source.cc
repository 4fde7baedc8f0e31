#include "publish/page_source.h"

#include "app/station.h"
#include "foundation/clock.h"
#include "link/comm_error.h"
#include "link/loop_packets.h"
#include "link/serial_port_manager.h"

namespace sq {

int ReadPageDataFromConsole(const Station& station, const PortMap* ports, Clock& clock, PageData* out,
                            std::string* error) {
  const auto connection = station.GetConnection(ports);
  if (!connection) {
    if (error) *error = "the station has no connection configured";
    return -1;
  }
  SerialPortManager manager;
  SerialSession* session = manager.CreateSession(CommSettingsFrom(*connection));
  if (session == nullptr) {
    if (error) *error = "cannot start a session with the console";
    return -1;
  }
  session->set_station_model(station.record().model);
  LoopPackets loop(*session);
  PageData data;
  if (loop.GetLoopPackets(data.current, kLoopKindLoop) != 0) {
    if (error) *error = "no current data from the console: " + DescribeCommError(*session);
    return -1;
  }
  data.time.SetCurrentTime(clock);
  if (station.Corvale()) {
    HiLowsBlock block{};
    if (loop.GetHiLows(block) == 0) data.hilows = block;
  }
  *out = std::move(data);
  return 0;
}

}  // namespace sq
