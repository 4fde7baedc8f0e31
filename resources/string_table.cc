#include "resources/string_table.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sq {
namespace {

struct Entry {
  std::uint32_t id;
  const char* text;
};

// Each area of the program keeps its texts in a file of its own.
constexpr Entry kEntries[] = {
#include "resources/strings_app.inc"
#include "resources/strings_catalogue.inc"
#include "resources/strings_console_config.inc"
#include "resources/strings_database.inc"
#include "resources/strings_dates.inc"
#include "resources/strings_download.inc"
#include "resources/strings_forecast.inc"
#include "resources/strings_fuel.inc"
#include "resources/strings_images.inc"
#include "resources/strings_link.inc"
#include "resources/strings_lists.inc"
#include "resources/strings_loop.inc"
#include "resources/strings_modules.inc"
#include "resources/strings_network.inc"
#include "resources/strings_noaa.inc"
#include "resources/strings_publish.inc"
#include "resources/strings_shell.inc"
#include "resources/strings_station.inc"
#include "resources/strings_summaries.inc"
#include "resources/strings_units.inc"
#include "resources/strings_upload.inc"
#include "resources/strings_weather.inc"
#include "resources/strings_web.inc"
#include "resources/strings_wxnet.inc"
    {0, ""},  // sentinel, so that the table is never empty
};

const std::vector<Entry>& Sorted() {
  static const std::vector<Entry> sorted = [] {
    std::vector<Entry> v(std::begin(kEntries), std::end(kEntries));
    std::stable_sort(v.begin(), v.end(), [](const Entry& a, const Entry& b) { return a.id < b.id; });
    return v;
  }();
  return sorted;
}

const Entry* Find(std::uint32_t id) {
  const auto& v = Sorted();
  auto it = std::lower_bound(v.begin(), v.end(), id, [](const Entry& e, std::uint32_t k) { return e.id < k; });
  if (it == v.end() || it->id != id) return nullptr;
  return &*it;
}

}  // namespace

std::string_view LoadString(std::uint32_t id) {
  const Entry* e = Find(id);
  return e ? std::string_view(e->text) : std::string_view();
}

bool HasString(std::uint32_t id) { return id != 0 && Find(id) != nullptr; }

int LoadString(std::uint32_t id, char* buf, int len) {
  if (buf == nullptr || len <= 0) return 0;
  std::string_view s = LoadString(id);
  std::size_t n = std::min<std::size_t>(s.size(), static_cast<std::size_t>(len - 1));
  if (n > 0) std::memcpy(buf, s.data(), n);
  buf[n] = '\0';
  return static_cast<int>(n);
}

std::vector<std::uint32_t> ConflictingStringIds() {
  std::vector<std::uint32_t> out;
  const auto& v = Sorted();
  for (std::size_t i = 1; i < v.size(); ++i) {
    if (v[i].id == v[i - 1].id && std::strcmp(v[i].text, v[i - 1].text) != 0) out.push_back(v[i].id);
  }
  return out;
}

std::size_t StringCount() { return Sorted().size() - 1; }

}  // namespace sq
