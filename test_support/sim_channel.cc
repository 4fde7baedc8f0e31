#include "test_support/sim_channel.h"

namespace sq::testing {

bool StartSim(sim::ConsoleSim& sim, bool tcp) { return tcp ? sim.StartTcp(0) : sim.StartPty(); }

void ConnectTo(const sim::ConsoleSim& sim, bool tcp, CommSettings& s) {
  if (tcp) {
    s.connection_type = kConnTcp;
    s.host = "127.0.0.1";
    s.tcp_port = std::to_string(sim.port());
  } else {
    s.device_path = sim.device_path();
  }
}

std::string ChannelName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "Tcp" : "Pty"; }

}  // namespace sq::testing
