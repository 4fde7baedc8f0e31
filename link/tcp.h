// TCP: a network data logger reached over TCP/IP. When the address is not fixed the
// logger is looked up by its MAC address (DeviceFinder) on every open. Socket failures
// map onto the network error codes -19 .. -33, and their texts (with the calling
// place) go to StationCommError.
#pragma once

#include "link/comm_protocol.h"

namespace sq {

class TCP : public CommProtocol {
 public:
  explicit TCP(const CommSettings& settings);
  [[nodiscard]] int OpenPort() override;
  int ClosePort() override;
  void HangUp() override;
  void SaveTimeOuts() override {}
  void RestoreTimeOuts() override;
  void SetSystemTimeOuts(int profile) override;
  [[nodiscard]] int receive_timeout_ms() const { return receive_ms_; }
  [[nodiscard]] const std::string& host() const { return settings_.host; }

 protected:
  ReadTiming CurrentReadTiming() const override { return {receive_ms_, 0}; }
  int CurrentWriteTimeoutMs(std::size_t) const override { return 10000; }
  void OnReadTimeout() override;
  void OnReadError(int os_error) override;
  void OnWriteError(int os_error, bool timed_out) override;

 private:
  void Report(int error, std::string_view place);
  int receive_ms_ = 0;
  int saved_receive_ms_ = 2000;  // the receive time-out a restore goes back to
};

}  // namespace sq
