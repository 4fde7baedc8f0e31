// DeviceFinder: finds network data loggers on the local network. A 12-byte datagram
// "discoversqip" goes to the broadcast address, port 22222; a logger answers with 31
// bytes that repeat the 12 bytes and carry its MAC address at bytes 12..17, and is
// acknowledged with one byte 0x06. Replies of any other size or prefix are ignored.
//
// The broadcast target and port come from the settings so that tests send only to
// loopback.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "link/comm_protocol.h"

namespace sq {

inline constexpr std::uint16_t kDiscoveryPort = 22222;
inline constexpr std::size_t kDiscoveryReplySize = 31;

// MAC text ("00:1A:2B:3C:4D:5E") of a discovery reply, or nothing when `datagram` is
// not one.
[[nodiscard]] std::optional<std::string> ParseDiscoveryReply(std::span<const std::uint8_t> datagram);

class DeviceFinder {
 public:
  explicit DeviceFinder(const CommSettings& settings, std::uint16_t port = kDiscoveryPort);

  // Broadcasts from `local_address` (empty: from every local IPv4 address) and
  // collects (MAC text, IP text) pairs. Returns the number of loggers found.
  int Discover(const std::string& local_address, std::multimap<std::string, std::string>& result);

  // Runs discovery and copies into `host` the address of the logger with `mac`.
  [[nodiscard]] bool GetDeviceIPAddr(const std::string& mac, std::string& host);

 private:
  int DiscoverFrom(const std::string& local, std::multimap<std::string, std::string>& result);
  CommSettings settings_;
  std::uint16_t port_;
  LinkClock* clock_;
};

}  // namespace sq
