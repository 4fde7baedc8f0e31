#include "app/program_config.h"

#include <filesystem>
#include <system_error>

#include "app/binary_file.h"
#include "app/dirs.h"
#include "app/messages.h"
#include "app/station.h"
#include "foundation/display_units.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kNotInstalled = 47100;
constexpr std::uint32_t kOlderVersion = 47101;
constexpr std::uint32_t kReadError = 47102;
constexpr std::uint32_t kSaveError = 47103;

void ApplyStartRules(const std::string& folder, ProgConfigData& cfg) {
  if (cfg.Setting12() <= 1) cfg.SetSetting12(1);
  cfg.SetWord920(0);
  cfg.StampLayoutMarks();
  std::error_code ec;
  const auto abs = std::filesystem::absolute(folder, ec);
  // A program folder longer than the record's field is simply not recorded there.
  if (!cfg.SetProgramFolder(ec ? folder : abs.lexically_normal().string())) (void)cfg.SetProgramFolder("");
  Station::SetUpgradeTexts({std::string(cfg.UpgradeText(0)), std::string(cfg.UpgradeText(1))});
}

}  // namespace

ProgConfigLoad LoadProgramConfig(const std::string& folder, ProgConfigData& cfg, std::string* message) {
  BinaryFile file(folder, kProgConfigName);
  ProgConfigData loaded;
  const int rc = file.Read(loaded.data(), ProgConfigData::kSize);
  if (rc == -1 && !file.FileExists()) {
    if (message) *message = std::string(LoadString(kNotInstalled));
    return ProgConfigLoad::kMissing;
  }
  if (rc == -2 || (rc == 0 && loaded.LayoutVersion() != ProgConfigData::kCurrentVersion)) {
    if (message) *message = std::string(LoadString(kOlderVersion));
    // Keep the old file before it is replaced, so nothing is lost beyond recovery; an
    // earlier backup is never overwritten (the next free name is used).
    std::error_code ec;
    std::string backup = JoinPath(folder, kProgConfigBackupName);
    for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(backup, ec)) && n < 1000; ++n) {
      backup = JoinPath(folder, "progdata-" + std::to_string(n) + ".old");
    }
    std::filesystem::copy_file(file.Path(), backup, std::filesystem::copy_options::none, ec);
    if (ec) return ProgConfigLoad::kUnreadable;
    loaded.Reset();
    ApplyStartRules(folder, loaded);
    if (BinaryFile(folder, kProgConfigName).Save(loaded.data(), ProgConfigData::kSize) != 0) {
      if (message) *message = std::string(LoadString(kSaveError));
      return ProgConfigLoad::kUnreadable;
    }
    cfg = loaded;
    return ProgConfigLoad::kReplaced;
  }
  if (rc != 0) {
    if (message) *message = std::string(LoadString(kReadError));
    return ProgConfigLoad::kUnreadable;
  }
  ApplyStartRules(folder, loaded);
  cfg = loaded;
  return ProgConfigLoad::kLoaded;
}

bool ReadProgramConfig(const std::string& folder, ProgConfigData& cfg) {
  ProgConfigData loaded;
  if (BinaryFile(folder, kProgConfigName).Read(loaded.data(), ProgConfigData::kSize) != 0) return false;
  if (loaded.LayoutVersion() != ProgConfigData::kCurrentVersion) return false;
  cfg = loaded;
  return true;
}

void ApplySavedDisplayUnits(const std::string& folder) {
  ProgConfigData cfg;
  if (!ReadProgramConfig(folder, cfg)) return;
  progConfigData = cfg;
  DisplayUnits::RestoreUnits();
}

int SaveProgramConfig(const std::string& folder, ProgConfigData& cfg) {
  cfg.StampLayoutMarks();
  if (BinaryFile(folder, kProgConfigName).Save(cfg.data(), ProgConfigData::kSize) != 0) {
    ErrorMessage(kSaveError);
    return -1;
  }
  return 0;
}

int SaveProgramConfig() { return SaveProgramConfig(ProgramFolder(), progConfigData); }

int InitProgramFolder(const std::string& folder, bool force, std::string* message) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    if (message) *message = "cannot create folder '" + folder + "': " + ec.message();
    return -1;
  }
  BinaryFile file(folder, kProgConfigName);
  if (file.FileExists() && !force) {
    if (message) *message = "'" + file.Path() + "' already exists; it was left as it is (use --force to reset it)";
    return -1;
  }
  ProgConfigData cfg;
  cfg.Reset();
  ApplyStartRules(folder, cfg);
  if (SaveProgramConfig(folder, cfg) != 0) {
    if (message) *message = std::string(LoadString(kSaveError));
    return -1;
  }
  return 0;
}

}  // namespace sq
