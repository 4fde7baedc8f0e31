#include "link/usb_comm_protocol.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace fs = std::filesystem;
namespace {

// Serial-number string of the USB device above `dir` (a few levels at most: the
// tty's device link points at the interface or at the usb-serial port).
std::optional<std::string> UsbSerialAbove(fs::path dir) {
  std::error_code ec;
  for (int level = 0; level < 5 && !dir.empty(); ++level) {
    const fs::path serial = dir / "serial";
    if (fs::is_regular_file(serial, ec)) {
      std::ifstream in(serial);
      std::string text;
      std::getline(in, text);
      return text.substr(0, 64);
    }
    if (dir == dir.parent_path()) break;
    dir = dir.parent_path();
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> FindUsbTty(const std::string& sysfs_tty_root, const std::string& dev_root,
                                      std::uint32_t device_id) {
  std::error_code ec;
  std::vector<std::string> names;
  for (fs::directory_iterator it(sysfs_tty_root, ec), end; !ec && it != end; it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  for (const auto& name : names) {
    const fs::path device = fs::path(sysfs_tty_root) / name / "device";
    if (!fs::exists(device, ec)) continue;
    const fs::path real = fs::canonical(device, ec);
    if (ec) continue;
    const auto serial = UsbSerialAbove(real);
    if (!serial) continue;
    const long number = std::strtol(serial->c_str(), nullptr, 10);
    if (device_id == 1 || number == static_cast<long>(device_id)) return (fs::path(dev_root) / name).string();
  }
  return std::nullopt;
}

USBCommProtocol::USBCommProtocol(const CommSettings& settings) : RS232CommProtocol(settings) {
  settings_.baud_rate = 19200;
  last_error_ = -1;
}

int USBCommProtocol::OpenPort() {
  const auto path = FindUsbTty(settings_.sysfs_tty_root, settings_.dev_root, settings_.usb_device_id);
  if (!path) {
    status_ |= kStatusUsbError | kStatusDeviceError | kStatusIoError;
    last_error_ = kErrUsbNotFound;
    return 0;
  }
  if (OpenTty(*path) == 1) return 1;
  if (last_error_ != kErrPortInUse) {
    status_ |= kStatusUsbError;
    last_error_ = kErrUsbNotFound;
  }
  return 0;
}

CommProtocol::ReadTiming USBCommProtocol::CurrentReadTiming() const {
  return {GetTimeoutProfile(profile_).usb_read, 0};
}

int USBCommProtocol::CurrentWriteTimeoutMs(std::size_t) const { return GetTimeoutProfile(profile_).usb_write; }

void USBCommProtocol::OnReadTimeout() {
  status_ |= kStatusIoError | kStatusTimeout;
  last_error_ = 1460;  // the bridge reports a read time-out with this code
}

void USBCommProtocol::OnReadError(int) {
  status_ |= kStatusIoError | kStatusLineError;
  last_error_ = kErrReadFailed;
}

int USBCommProtocol::ReadData(std::uint8_t* buffer, std::size_t count) {
  if (!usable()) return -1;
  int waiting = 0;
  if (::ioctl(fd(), FIONREAD, &waiting) != 0 || waiting < 0 || static_cast<std::size_t>(waiting) + Buffered() < count) {
    return -1;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const int b = NextByte(0);
    if (b < 0) return -1;
    buffer[i] = static_cast<std::uint8_t>(b);
  }
  Touch();
  return 0;
}

std::string UsbDriverModeSwitchMessage() { return std::string(LoadString(string_id::kUsbDriverModeSwitch)); }

}  // namespace sq
