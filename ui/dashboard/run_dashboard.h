// The dashboard as `stratoquill run` keeps it: the shared state and the server, started
// from the command line's --http or the program folder's "dashboard.cfg", and fed with
// the current conditions after every packet.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "foundation/clock.h"
#include "realtime/bulletin_data.h"
#include "ui/dashboard/dashboard_config.h"
#include "ui/dashboard/dashboard_server.h"
#include "ui/dashboard/dashboard_state.h"

namespace sq {
class Station;
}

namespace sq::dashboard {

class RunDashboard {
 public:
  // `listen` from the command line wins over the file's address. Answers nullptr when
  // the dashboard is off; on failure nullptr with *error.
  static std::unique_ptr<RunDashboard> Start(const std::string& program_folder,
                                             const std::optional<ListenAddress>& listen, const Station* station,
                                             bool realtime, Clock& clock, std::string* error);
  ~RunDashboard() = default;

  // The run loop's hook, after every packet.
  void Publish(const BulletinData& data) { state_.Publish(data, clock_.MonotonicMs()); }
  [[nodiscard]] int port() const { return server_ ? server_->port() : 0; }
  [[nodiscard]] const ListenAddress& listen() const { return listen_; }

 private:
  explicit RunDashboard(Clock& clock) : clock_(clock) {}
  Clock& clock_;
  ListenAddress listen_;
  DashboardState state_;
  std::unique_ptr<DashboardServer> server_;  // declared last: stopped before the state goes
};

// What the pages show of `station`.
[[nodiscard]] StationInfo StationInfoOf(const Station& station, const std::string& program_folder, bool realtime);

}  // namespace sq::dashboard
