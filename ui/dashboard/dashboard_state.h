// What the run loop shares with the dashboard's threads: the station it keeps and the
// newest current conditions. The loop calls SetStation once and Publish after every
// packet; both take the lock only to copy a value, so the loop never waits for a page.
// Server threads copy what they need (Current) or wait for the next packet
// (WaitForUpdate) without touching anything else of the loop.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "foundation/site.h"
#include "realtime/bulletin_data.h"
#include "reports/noaa_summary.h"

namespace sq::dashboard {

// The station the loop keeps, as the pages show it; taken once on the loop's thread.
struct StationInfo {
  std::string name;
  std::string folder;  // empty: no station is open
  std::string model;
  std::string connection;  // e.g. "serial /dev/ttyUSB0 at 19200 baud"
  SiteDescription site;
  NoaaSettings noaa;
  bool realtime = false;  // the loop polls the console for current conditions
};

class DashboardState {
 public:
  struct Live {
    std::uint64_t sequence = 0;  // counts the packets published; 0: none yet
    std::optional<BulletinData> data;
    std::int64_t published_monotonic_ms = 0;
  };

  DashboardState() = default;
  DashboardState(const DashboardState&) = delete;
  DashboardState& operator=(const DashboardState&) = delete;

  void SetStation(StationInfo info);
  [[nodiscard]] StationInfo Station() const;

  // After every update of the current conditions (the loop's thread).
  void Publish(const BulletinData& data, std::int64_t monotonic_ms);
  [[nodiscard]] Live Current() const;

  // Blocks until a packet newer than `after` is published, Stop() is called or
  // `timeout_ms` pass. Answers the newest sequence number.
  std::uint64_t WaitForUpdate(std::uint64_t after, std::int64_t timeout_ms);

  // Wakes every waiter for good (the server is shutting down).
  void Stop();
  [[nodiscard]] bool Stopping() const;

  // Event-stream clients: at most `limit` at a time, so that they never take every
  // worker thread of the server.
  [[nodiscard]] bool AddStreamClient(int limit);
  void RemoveStreamClient();
  [[nodiscard]] int StreamClients() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  StationInfo station_;
  Live live_;
  bool stopping_ = false;
  int stream_clients_ = 0;
};

}  // namespace sq::dashboard
