#include "ui/dashboard/dashboard_state.h"

#include <chrono>

namespace sq::dashboard {

void DashboardState::SetStation(StationInfo info) {
  std::lock_guard lock(mutex_);
  station_ = std::move(info);
}

StationInfo DashboardState::Station() const {
  std::lock_guard lock(mutex_);
  return station_;
}

void DashboardState::Publish(const BulletinData& data, std::int64_t monotonic_ms) {
  {
    std::lock_guard lock(mutex_);
    live_.data = data;
    live_.published_monotonic_ms = monotonic_ms;
    ++live_.sequence;
  }
  changed_.notify_all();
}

DashboardState::Live DashboardState::Current() const {
  std::lock_guard lock(mutex_);
  return live_;
}

std::uint64_t DashboardState::WaitForUpdate(std::uint64_t after, std::int64_t timeout_ms) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return stopping_ || live_.sequence > after; });
  return live_.sequence;
}

void DashboardState::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
}

bool DashboardState::Stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

bool DashboardState::AddStreamClient(int limit) {
  std::lock_guard lock(mutex_);
  if (stream_clients_ >= limit) return false;
  ++stream_clients_;
  return true;
}

void DashboardState::RemoveStreamClient() {
  std::lock_guard lock(mutex_);
  --stream_clients_;
}

int DashboardState::StreamClients() const {
  std::lock_guard lock(mutex_);
  return stream_clients_;
}

}  // namespace sq::dashboard
