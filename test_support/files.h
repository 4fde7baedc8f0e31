// Whole files in and out, for tests: what a file holds, byte for byte, and writing a
// fixture. A file that cannot be read reads as empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sq::testing {

[[nodiscard]] std::string ReadText(const std::string& path);
[[nodiscard]] std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteText(const std::string& path, const std::string& text);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace sq::testing
