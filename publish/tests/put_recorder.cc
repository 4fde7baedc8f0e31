#include "publish/tests/put_recorder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace sq::test {
namespace {

constexpr int kPollMs = 20;
constexpr std::size_t kMaxRequest = 1 << 20;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

PutRecorder::PutRecorder() {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  const int one = 1;
  (void)::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_fd_, 8) != 0) std::abort();
  socklen_t len = sizeof a;
  (void)::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len);
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

PutRecorder::~PutRecorder() {
  stop_ = true;
  thread_.join();
  ::close(listen_fd_);
}

std::string PutRecorder::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void PutRecorder::Serve() {
  while (!stop_) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (::poll(&p, 1, kPollMs) <= 0) continue;
    const int fd = ::accept(listen_fd_, nullptr, nullptr);
    if (fd < 0) continue;
    Handle(fd);
    ::close(fd);
  }
}

void PutRecorder::Handle(int fd) {
  std::string in;
  RecordedRequest req;
  std::size_t body_at = std::string::npos;
  std::size_t length = 0;
  char buf[4096];
  while (!stop_ && in.size() < kMaxRequest) {
    if (body_at != std::string::npos && in.size() >= body_at + length) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kPollMs) <= 0) continue;
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return;
    in.append(buf, static_cast<std::size_t>(n));
    if (body_at == std::string::npos) {
      const std::size_t end = in.find("\r\n\r\n");
      if (end == std::string::npos) continue;
      body_at = end + 4;
      std::size_t line_end = in.find("\r\n");
      const std::string first = in.substr(0, line_end);
      const std::size_t sp1 = first.find(' ');
      const std::size_t sp2 = first.find(' ', sp1 + 1);
      req.method = first.substr(0, sp1);
      req.path = first.substr(sp1 + 1, sp2 - sp1 - 1);
      std::size_t at = line_end + 2;
      while (at < end) {
        const std::size_t e = in.find("\r\n", at);
        const std::string line = in.substr(at, e - at);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
          std::string value = line.substr(colon + 1);
          value.erase(0, value.find_first_not_of(' '));
          req.headers[Lower(line.substr(0, colon))] = value;
        }
        at = e + 2;
      }
      const auto it = req.headers.find("content-length");
      length = it == req.headers.end() ? 0 : std::strtoul(it->second.c_str(), nullptr, 10);
    }
  }
  if (body_at == std::string::npos) return;
  req.body = in.substr(body_at, length);
  std::string reply, status;
  {
    std::lock_guard lock(mu_);
    requests_.push_back(req);
    reply = reply_;
    status = status_;
    if (!replies_.empty()) {
      reply = replies_.front();
      replies_.erase(replies_.begin());
    }
  }
  if (silent_) {
    // Hold the connection until the client gives up.
    while (!stop_) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, kPollMs) > 0 && ::recv(fd, buf, sizeof buf, 0) <= 0) return;
    }
    return;
  }
  const std::string out = "HTTP/1.1 " + status +
                          "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(reply.size()) +
                          "\r\nConnection: close\r\n\r\n" + reply;
  (void)::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
}

}  // namespace sq::test
