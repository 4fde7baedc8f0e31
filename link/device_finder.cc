#include "link/device_finder.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace sq {
namespace {

constexpr char kProbe[] = "discoversqip";
constexpr std::size_t kProbeSize = 12;
constexpr int kListenMs = 1000;
constexpr int kStepMs = 100;

class Socket {
 public:
  Socket() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::vector<std::string> LocalAddresses() {
  std::vector<std::string> out;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return out;
  for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
    if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) out.emplace_back(text);
  }
  ::freeifaddrs(list);
  return out;
}

}  // namespace

std::optional<std::string> ParseDiscoveryReply(std::span<const std::uint8_t> d) {
  if (d.size() != kDiscoveryReplySize || std::memcmp(d.data(), kProbe, kProbeSize) != 0) return std::nullopt;
  char mac[18];
  std::snprintf(mac, sizeof mac, "%02X:%02X:%02X:%02X:%02X:%02X", d[12], d[13], d[14], d[15], d[16], d[17]);
  return std::string(mac);
}

DeviceFinder::DeviceFinder(const CommSettings& settings, std::uint16_t port)
    : settings_(settings), port_(port), clock_(settings.clock ? settings.clock : &LinkClock::Real()) {}

int DeviceFinder::Discover(const std::string& local_address, std::multimap<std::string, std::string>& result) {
  std::vector<std::string> locals;
  if (!local_address.empty()) {
    locals.push_back(local_address);
  } else {
    locals = LocalAddresses();
  }
  int found = 0;
  for (const auto& local : locals) found += DiscoverFrom(local, result);
  return found;
}

int DeviceFinder::DiscoverFrom(const std::string& local, std::multimap<std::string, std::string>& result) {
  Socket s;
  if (s.get() < 0) return 0;
  int on = 1;
  (void)::setsockopt(s.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  sockaddr_in me{};
  me.sin_family = AF_INET;
  if (::inet_pton(AF_INET, local.c_str(), &me.sin_addr) != 1) return 0;
  if (::bind(s.get(), reinterpret_cast<const sockaddr*>(&me), sizeof me) != 0) return 0;
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port_);
  if (::inet_pton(AF_INET, settings_.broadcast_address.c_str(), &target.sin_addr) != 1) return 0;

  int found = 0;
  for (int attempt = 0; attempt < 2 && found == 0; ++attempt) {
    if (::sendto(s.get(), kProbe, kProbeSize, 0, reinterpret_cast<const sockaddr*>(&target), sizeof target) < 0) {
      return found;
    }
    const std::int64_t end = clock_->NowMs() + kListenMs;
    while (clock_->NowMs() < end) {
      if (!clock_->WaitReadable(s.get(), kStepMs)) continue;
      for (;;) {
        std::uint8_t buf[64];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = ::recvfrom(s.get(), buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 0) break;
        const auto mac = ParseDiscoveryReply({buf, static_cast<std::size_t>(n)});
        if (!mac) continue;
        int off = 0;
        (void)::setsockopt(s.get(), SOL_SOCKET, SO_BROADCAST, &off, sizeof off);
        const std::uint8_t ack = 0x06;
        (void)::sendto(s.get(), &ack, 1, 0, reinterpret_cast<const sockaddr*>(&from), sizeof from);
        char ip[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
        result.emplace(*mac, ip);
        ++found;
      }
    }
  }
  return found;
}

bool DeviceFinder::GetDeviceIPAddr(const std::string& mac, std::string& host) {
  std::multimap<std::string, std::string> found;
  Discover(settings_.local_address, found);
  std::string wanted = mac;
  for (char& c : wanted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const auto it = found.find(wanted);
  if (it == found.end()) return false;
  host = it->second;
  return true;
}

}  // namespace sq
