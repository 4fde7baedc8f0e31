#include "app/binary_file.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>
#include <system_error>

#include "foundation/file_util.h"

namespace sq {

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

BinaryFile::BinaryFile(std::string_view folder, std::string_view name) : path_(JoinPath(folder, name)) {}

int BinaryFile::Read(void* buffer, std::size_t size) const {
  std::error_code ec;
  const auto actual = std::filesystem::file_size(path_, ec);
  if (ec) return -1;
  if (actual != size) return -2;
  auto bytes = ReadWholeFile(path_, size);
  if (!bytes) return -1;
  // The file may have changed between the two looks; only a whole record counts.
  if (bytes->size() != size) return -2;
  if (size > 0) std::memcpy(buffer, bytes->data(), size);
  return 0;
}

int BinaryFile::Save(const void* buffer, std::size_t size) const {
  std::span<const std::uint8_t> data(static_cast<const std::uint8_t*>(buffer), size);
  return WriteFileAtomic(path_, data) ? 0 : -1;
}

bool BinaryFile::FileExists() const {
  std::error_code ec;
  return std::filesystem::is_regular_file(path_, ec);
}

long BinaryFile::FileSize() const {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path_, ec);
  return ec ? -1 : static_cast<long>(size);
}

}  // namespace sq
