#include "ui/dashboard/run_dashboard.h"

#include <cstdio>

#include "app/station.h"
#include "app/station_models.h"

namespace sq::dashboard {

StationInfo StationInfoOf(const Station& station, const std::string& program_folder, bool realtime) {
  StationInfo info;
  info.name = station.Name();
  info.folder = station.Folder();
  info.model = StationModelName(station.record().model);
  info.site = station.GetSiteDescription();
  info.noaa = NoaaSettings::FromStation(station);
  info.realtime = realtime;
  std::string error;
  const auto c = station.ConnectionIn(program_folder, &error);
  if (!c) {
    info.connection = error.empty() ? "not set" : error;
  } else if (c->kind == ConnectionKind::kTcp) {
    info.connection = "network logger " + (c->host_fixed ? c->host : "found by MAC " + c->mac_text) + ", port " +
                      std::to_string(c->tcp_port);
  } else if (c->kind == ConnectionKind::kUsb) {
    info.connection = "USB bridge " + std::to_string(c->usb_id) + " at " + std::to_string(c->baud) + " baud";
  } else {
    info.connection = "serial COM" + std::to_string(c->com_port) + (c->device.empty() ? "" : " (" + c->device + ")") +
                      " at " + std::to_string(c->baud) + " baud";
  }
  return info;
}

std::unique_ptr<RunDashboard> RunDashboard::Start(const std::string& program_folder,
                                                  const std::optional<ListenAddress>& listen, const Station* station,
                                                  bool realtime, Clock& clock, std::string* error) {
  DashboardConfig config;
  if (!LoadDashboardConfig(program_folder, &config, error)) return nullptr;
  if (listen) config.listen = listen;
  if (!config.listen) return nullptr;
  if (!CheckDashboardConfig(config, error)) return nullptr;
  std::unique_ptr<RunDashboard> d(new RunDashboard(clock));
  if (station != nullptr) d->state_.SetStation(StationInfoOf(*station, program_folder, realtime));
  DashboardServerOptions options;
  options.listen = *config.listen;
  d->listen_ = *config.listen;
  options.password = config.password;
  d->server_ = std::make_unique<DashboardServer>(d->state_, program_folder, clock, options);
  if (!d->server_->Start(error)) return nullptr;
  return d;
}

}  // namespace sq::dashboard
