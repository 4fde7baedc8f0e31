// ConsoleSim: runs a ConsoleEngine on a pseudo-terminal or on a TCP port of 127.0.0.1
// in a thread of its own, so that the program (or a test) can talk to it like to a
// console on a serial line or behind a network data logger.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/console_sim/console_engine.h"

namespace sq::sim {

class ConsoleSim {
 public:
  explicit ConsoleSim(const SimOptions& options);
  ~ConsoleSim();
  ConsoleSim(const ConsoleSim&) = delete;
  ConsoleSim& operator=(const ConsoleSim&) = delete;

  // Opens a pseudo-terminal and serves it; device_path() names its tty.
  [[nodiscard]] bool StartPty();
  // Listens on 127.0.0.1:`port` (0: any free port) and serves one connection at a
  // time; port() tells the port.
  [[nodiscard]] bool StartTcp(std::uint16_t port);
  void Stop();

  [[nodiscard]] const std::string& device_path() const { return device_path_; }
  [[nodiscard]] std::uint16_t port() const { return port_; }
  [[nodiscard]] int connections() const;

  // Runs `f` on the engine under the simulator's lock.
  void WithEngine(const std::function<void(ConsoleEngine&)>& f);
  // Everything received since the last call (and clears it).
  [[nodiscard]] std::vector<std::uint8_t> TakeReceived();

 private:
  void Serve();
  void Answer(int fd, const std::uint8_t* data, std::size_t n);
  void WriteOut(int fd, const std::vector<std::uint8_t>& out);
  // The packets of a paced stream that are due, and how long to wait for the next.
  void SendDuePackets();
  int PollTimeoutMs();

  ConsoleEngine engine_;
  mutable std::mutex mutex_;
  std::thread thread_;
  int master_ = -1;
  int slave_keep_ = -1;  // keeps the pty alive between clients
  int listen_ = -1;
  int client_ = -1;
  int stop_pipe_[2] = {-1, -1};
  std::string device_path_;
  std::uint16_t port_ = 0;
  int connections_ = 0;
  int baud_ = 0;
};

}  // namespace sq::sim
