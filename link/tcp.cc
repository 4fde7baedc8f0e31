#include "link/tcp.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "link/device_finder.h"
#include "link/network_error.h"

namespace sq {

TCP::TCP(const CommSettings& settings) : CommProtocol(settings) {}

void TCP::Report(int error, std::string_view place) {
  const NetworkError e = MapNetworkError(error);
  last_error_ = e.code;
  status_ |= e.status;
  StationCommError(NetworkErrorText(e.code, place));
}

int TCP::OpenPort() {
  if (!settings_.address_fixed) {
    DeviceFinder finder(settings_, settings_.discovery_port);
    if (!finder.GetDeviceIPAddr(settings_.mac_address, settings_.host)) {
      settings_.host.clear();
      status_ |= kStatusDeviceError | kStatusIoError;
      Report(kErrNetLoggerNotFound, "In OpenComPort() ...GetDeviceIPAddr()");
      return 0;
    }
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* raw = nullptr;
  if (settings_.host.empty() || ::getaddrinfo(settings_.host.c_str(), settings_.tcp_port.c_str(), &hints, &raw) != 0) {
    status_ |= kStatusDeviceError | kStatusIoError | kStatusInUse;
    Report(EHOSTUNREACH, "In OpenComPort() ...getaddrinfo()");
    return 0;
  }
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(raw, &::freeaddrinfo);
  int last_errno = 0;
  for (addrinfo* a = list.get(); a != nullptr; a = a->ai_next) {
    const int s = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (s < 0) {
      last_errno = errno;
      continue;
    }
    bool ok = ::connect(s, a->ai_addr, a->ai_addrlen) == 0;
    if (!ok && errno == EINPROGRESS) {
      if (clock_->WaitWritable(s, 2000)) {
        int err = 0;
        socklen_t len = sizeof err;
        ok = ::getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
        if (!ok) last_errno = err;
      } else {
        last_errno = ETIMEDOUT;
      }
    } else if (!ok) {
      last_errno = errno;
    }
    if (ok) {
      int one = 1;
      (void)::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      AttachFd(s);
      status_ |= kStatusPortOpen;
      return 1;
    }
    ::close(s);
  }
  status_ |= kStatusDeviceError | kStatusIoError | kStatusInUse;
  Report(last_errno != 0 ? last_errno : EHOSTUNREACH, "In OpenComPort() ...socket()");
  return 0;
}

int TCP::ClosePort() {
  if (status_ & kStatusModem) HangUp();
  CloseFd();
  status_ &= ~(kStatusPortOpen | kStatusInUse | kStatusCarrier | kStatusLinked | kStatusNetMask);
  return 1;
}

void TCP::HangUp() {
  clock_->SleepMs(500);
  status_ &= ~(kStatusCarrier | kStatusLinked);
}

void TCP::RestoreTimeOuts() {
  CommProtocol::RestoreTimeOuts();
  receive_ms_ = saved_receive_ms_;
}

void TCP::SetSystemTimeOuts(int profile) {
  CommProtocol::SetSystemTimeOuts(profile);
  if (profile >= 0 && profile < kTimeoutProfiles) receive_ms_ = GetTimeoutProfile(profile_).tcp_read;
}

void TCP::OnReadTimeout() {
  status_ |= kStatusIoError | kStatusTimeout;
  last_error_ = kErrNetRecvTimeout;
  StationCommError(NetworkErrorText(kErrNetRecvTimeout, "In RecvMsg() ...select(2)"));
}

void TCP::OnReadError(int os_error) {
  status_ |= kStatusIoError | kStatusLineError;
  Report(os_error, "In RecvMsg() ...recv()");
}

void TCP::OnWriteError(int os_error, bool timed_out) {
  status_ |= kStatusIoError | (timed_out ? kStatusTimeout : kStatusLineError);
  Report(timed_out ? ETIMEDOUT : os_error, "In SendMsg() ...send()");
}

}  // namespace sq
