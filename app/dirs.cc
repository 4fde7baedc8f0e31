#include "app/dirs.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "app/download_log.h"

namespace sq {
namespace {

constexpr std::uint32_t kStackOverflowText = 47107;
constexpr std::uint32_t kStackUnderflowText = 47108;

std::string& StoredProgramFolder() {
  static std::string folder;
  return folder;
}

std::vector<std::string>& Stack() {
  static std::vector<std::string> stack;
  return stack;
}

int ChangeTo(const std::string& folder) {
  std::error_code ec;
  std::filesystem::current_path(folder, ec);
  return ec ? -1 : 0;
}

}  // namespace

std::string ProgramFolder() {
  if (!StoredProgramFolder().empty()) return StoredProgramFolder();
  std::error_code ec;
  auto cwd = std::filesystem::current_path(ec);
  return ec ? std::string(".") : cwd.string();
}

void SetProgramFolder(const std::string& folder) {
  std::error_code ec;
  auto abs = folder.empty() ? std::filesystem::path() : std::filesystem::absolute(folder, ec);
  StoredProgramFolder() = ec ? folder : abs.lexically_normal().string();
}

std::string& StoredUserFolder() {
  static std::string folder;
  return folder;
}

std::string UserFolder() {
  if (!StoredUserFolder().empty()) return StoredUserFolder();
  std::error_code ec;
  auto cwd = std::filesystem::current_path(ec);
  return ec ? std::string(".") : cwd.string();
}

void SetUserFolder(const std::string& folder) { StoredUserFolder() = folder; }

std::string UserPath(const std::string& typed) {
  if (typed.empty() || typed.front() == '/') return typed;
  return (std::filesystem::path(UserFolder()) / typed).lexically_normal().string();
}

int SetProgramDir() { return ChangeTo(ProgramFolder()); }

int SetStationDir(const std::string& station_folder) {
  if (station_folder.empty()) return -1;
  return ChangeTo(station_folder);
}

int PushDir() {
  if (Stack().size() >= static_cast<std::size_t>(kDirStackDepth)) {
    (void)LogMessage(kStackOverflowText, "");
    return -1;
  }
  std::error_code ec;
  auto cwd = std::filesystem::current_path(ec);
  if (ec) return -1;
  Stack().push_back(cwd.string());
  return 0;
}

int PopDir() {
  if (Stack().empty()) {
    (void)LogMessage(kStackUnderflowText, "");
    return -1;
  }
  std::string top = Stack().back();
  Stack().pop_back();
  return ChangeTo(top);
}

int DirStackSize() { return static_cast<int>(Stack().size()); }

}  // namespace sq
