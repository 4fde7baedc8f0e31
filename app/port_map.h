// The port map: which tty device stands for serial port COMn. It is the text file
// "ports.lst" in the program folder; line n holds the device path of COM port n. A
// port whose line is empty or missing falls back to the system's serial devices
// (/dev/ttyACM*, /dev/ttyS*, /dev/ttyUSB* in name order, numbers compared as numbers):
// COM1 is the first of them. Any path works, so a pseudo-terminal can stand in for a
// console.
//
// The file is outside input: lines are bounded, the port count is bounded, and a bad
// file is reported, never half-used.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sq {

class PortMap {
 public:
  static constexpr const char* kFileName = "ports.lst";
  static constexpr int kMaxPort = 255;
  static constexpr std::size_t kMaxLine = 1024;
  static constexpr std::size_t kMaxFileSize = kMaxPort * (kMaxLine + 2);

  // Parses the file's text. Nothing when a line is too long, holds a control
  // character, or there are more than kMaxPort lines with content; `error` then names
  // the line.
  [[nodiscard]] static std::optional<PortMap> Parse(std::string_view text, std::string* error = nullptr);

  // Reads program_dir/"ports.lst". 0 success (a missing file is an empty map); -1 when
  // the file cannot be read or is not a valid map (the map is then left unchanged).
  [[nodiscard]] int Load(const std::string& program_dir, std::string* error = nullptr);
  // Writes the file atomically; 0 or -1.
  [[nodiscard]] int Save(const std::string& program_dir, std::string* error = nullptr) const;

  // The device of COM port `com`: its line, else the com-th system device, else "".
  [[nodiscard]] std::string DevicePath(int com) const;
  // The line for `com` only (empty when the map has none).
  [[nodiscard]] std::string MappedPath(int com) const;
  // Sets the line for `com` (1..kMaxPort); an empty path removes it. -1 on a bad port
  // number or a path with control characters or over kMaxLine characters.
  [[nodiscard]] int SetDevice(int com, std::string_view path);
  [[nodiscard]] std::string Serialize() const;

  // Replaces the system device list (tests use pseudo-terminals only).
  void SetSystemDevices(std::vector<std::string> devices) { system_ = std::move(devices); }
  // The system's serial devices under dev_dir, in the order described above.
  static std::vector<std::string> ListSystemSerialDevices(const std::string& dev_dir = "/dev");

 private:
  std::vector<std::string> lines_;
  std::optional<std::vector<std::string>> system_;
};

}  // namespace sq
