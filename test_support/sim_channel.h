// The console simulator on either channel a console is reached by: a pseudo-terminal
// (as a serial port) or a TCP port of 127.0.0.1 (as a network data logger). Tests that
// run on both are parameterized on `bool tcp` and named with ChannelName.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "link/comm_protocol.h"
#include "tools/console_sim/console_sim.h"

namespace sq::testing {

// Starts `sim` on a pseudo-terminal, or with `tcp` on a free port of 127.0.0.1.
[[nodiscard]] bool StartSim(sim::ConsoleSim& sim, bool tcp);
// Points `s` at the started simulator.
void ConnectTo(const sim::ConsoleSim& sim, bool tcp, CommSettings& s);
// "Tcp" or "Pty", for INSTANTIATE_TEST_SUITE_P(..., ::testing::Values(false, true), ChannelName).
[[nodiscard]] std::string ChannelName(const ::testing::TestParamInfo<bool>& info);

}  // namespace sq::testing
