#include "publish/sample_templates.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "publish/profile_list.h"

namespace sq {
namespace {

namespace fs = std::filesystem;

bool HasTemplates(const fs::path& dir) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (IsTemplatePath(it->path().filename().string())) return true;
  }
  return false;
}

}  // namespace

std::string SampleTemplatesFolder() {
  if (const char* env = std::getenv("STRATOQUILL_TEMPLATES"); env && *env) return HasTemplates(env) ? env : "";
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  for (const fs::path& dir :
       {exe.parent_path().parent_path() / "share" / "stratoquill" / "templates", exe.parent_path() / "templates"}) {
    if (HasTemplates(dir)) return dir.string();
  }
  return {};
}

int InstallSampleTemplates(const std::string& station_folder) {
  const std::string samples = SampleTemplatesFolder();
  if (samples.empty()) return 0;
  const fs::path target = fs::path(station_folder) / "Templates";
  std::error_code ec;
  fs::create_directories(target, ec);
  if (ec) return -1;
  int copied = 0;
  for (fs::directory_iterator it(samples, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path name = it->path().filename();
    if (!IsTemplatePath(name.string()) || fs::exists(target / name)) continue;
    std::error_code copy_ec;
    fs::copy_file(it->path(), target / name, fs::copy_options::skip_existing, copy_ec);
    if (copy_ec) return -1;
    ++copied;
  }
  return ec ? -1 : copied;
}

}  // namespace sq
