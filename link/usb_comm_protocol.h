// USBCommProtocol: the console's USB serial bridge. The kernel's USB-serial driver
// exposes the bridge as a tty; the device is chosen by the decimal number in its USB
// serial-number string, after which it is an ordinary serial port at 19200 bit/s.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "link/rs232_comm_protocol.h"

namespace sq {

// Finds the tty whose USB device carries `device_id` as the decimal number of its
// serial-number string (1: the first bridge found). `sysfs_tty_root` is normally
// "/sys/class/tty", `dev_root` "/dev". Returns the device path.
[[nodiscard]] std::optional<std::string> FindUsbTty(const std::string& sysfs_tty_root, const std::string& dev_root,
                                                    std::uint32_t device_id);

class USBCommProtocol : public RS232CommProtocol {
 public:
  explicit USBCommProtocol(const CommSettings& settings);
  [[nodiscard]] int OpenPort() override;
  [[nodiscard]] int ReadData(std::uint8_t* buffer, std::size_t count) override;

 protected:
  ReadTiming CurrentReadTiming() const override;
  int CurrentWriteTimeoutMs(std::size_t n) const override;
  void OnReadTimeout() override;
  void OnReadError(int os_error) override;
};

// Switching the bridge between its two driver modes needs the chip maker's tool; on
// this system the kernel driver is always in use. Returns the user's message.
[[nodiscard]] std::string UsbDriverModeSwitchMessage();

}  // namespace sq
