#include "link/rs232_comm_protocol.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sq {

bool SetCustomSerialSpeed(int fd, int baud);  // serial_custom_speed.cc

namespace {

// The termios constant of `baud`, or B0 for speeds that need SetCustomSerialSpeed.
speed_t SpeedFor(int baud) {
  switch (baud) {
    case 1200:
      return B1200;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    default:
      return B0;
  }
}

}  // namespace

RS232CommProtocol::RS232CommProtocol(const CommSettings& settings) : CommProtocol(settings) {}

std::string RS232CommProtocol::DevicePath() const {
  if (!settings_.device_path.empty()) return settings_.device_path;
  if (settings_.port_number <= 0) return {};
  return "/dev/ttyS" + std::to_string(settings_.port_number - 1);
}

int RS232CommProtocol::OpenPort() { return OpenTty(DevicePath()); }

int RS232CommProtocol::OpenTty(const std::string& path) {
  if (path.empty()) {
    status_ |= kStatusNoPort | kStatusDeviceError | kStatusIoError;
    last_error_ = kErrNoPort;
    return 0;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    os_error_ = errno;
    if (errno == ENOENT || errno == ENODEV || errno == ENXIO) {
      status_ |= kStatusNoPort | kStatusDeviceError | kStatusIoError;
      last_error_ = kErrNoPort;
    } else if (errno == EACCES || errno == EBUSY || errno == EPERM) {
      status_ |= kStatusDeviceError | kStatusIoError | kStatusInUse;
      last_error_ = kErrPortInUse;
    } else {
      status_ |= kStatusDeviceError | kStatusIoError;
      last_error_ = errno;
      SetErrorText("'" + path + "': " + std::strerror(errno));
    }
    return 0;
  }
  // No sharing: a second program (or session) on the same port is refused.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    status_ |= kStatusDeviceError | kStatusIoError | kStatusInUse;
    last_error_ = kErrPortInUse;
    return 0;
  }
  termios t{};
  if (::tcgetattr(fd, &t) != 0) {
    last_error_ = errno;
    SetErrorText(errno == ENOTTY ? "'" + path + "' is not a serial device" : "'" + path + "': " + std::strerror(errno));
    ::close(fd);
    status_ |= kStatusDeviceError | kStatusIoError;
    return 0;
  }
  ::cfmakeraw(&t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  t.c_cflag |= CS8 | CREAD | CLOCAL;
  if (settings_.console_family != 0 || settings_.modem != 0) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  t.c_cc[VMIN] = 1;  // with O_NONBLOCK: "nothing yet" is EAGAIN, never a 0-byte read
  t.c_cc[VTIME] = 0;
  const speed_t speed = SpeedFor(settings_.baud_rate);
  ::cfsetispeed(&t, speed == B0 ? B9600 : speed);
  ::cfsetospeed(&t, speed == B0 ? B9600 : speed);
  if (::tcsetattr(fd, TCSANOW, &t) != 0 ||
      (speed == B0 && (settings_.baud_rate <= 0 || !SetCustomSerialSpeed(fd, settings_.baud_rate)))) {
    last_error_ = errno;
    SetErrorText("'" + path + "' does not take the line settings: " + std::strerror(errno));
    ::close(fd);
    status_ |= kStatusDeviceError | kStatusIoError;
    return 0;
  }
  AttachFd(fd);
  SetDtr(true);
  ::tcflush(fd, TCIOFLUSH);
  status_ |= kStatusPortOpen;
  return 1;
}

void RS232CommProtocol::SetDtr(bool on) {
  if (fd() < 0) return;
  int bits = TIOCM_DTR;
  // Pseudo-terminals have no modem lines; the request fails harmlessly there.
  (void)::ioctl(fd(), on ? TIOCMBIS : TIOCMBIC, &bits);
}

void RS232CommProtocol::HangUp() {
  SetDtr(false);
  clock_->SleepMs(500);
  clock_->SleepMs(500);
  SetDtr(true);
  status_ &= ~(kStatusCarrier | kStatusLinked);
}

}  // namespace sq
