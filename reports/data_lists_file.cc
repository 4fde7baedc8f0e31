#include "reports/data_lists_file.h"

#include <charconv>
#include <cstdio>
#include <vector>

#include "foundation/file_util.h"
#include "foundation/text_fields.h"
#include "reports/list_strings.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::size_t kMinNameLine = 4;  // shorter name lines are skipped
// A line shorter than 5 characters with its line feed (the "." line) ends a set or list.
constexpr std::size_t kMinItemLine = 4;

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// The catalogue variables a set that ends with an older last variable is missing: the
// variables were added to the end of the archive catalogue in this order.
struct Upgrade {
  std::string_view marker;  // found in the set's last variable line
  std::uint32_t first;      // first catalogue resource to append
};
constexpr std::uint32_t kUpgradeLast = 10057;
constexpr Upgrade kUpgrades[] = {
    {"\t\t786976\t", 10054},    // archive interval: THSW on
    {"\t\t5\t", 10055},         // THSW index: extra radiation on
    {"\t\t17236288\t", 10056},  // extra radiation: inside dew point and heat index
};

bool ApplyUpgrade(std::string_view last_line, DataSet* set) {
  for (const auto& u : kUpgrades) {
    if (last_line.find(u.marker) == std::string_view::npos) continue;
    for (std::uint32_t id = u.first; id <= kUpgradeLast; ++id) {
      if (auto v = ParseVariableLine(LoadString(id))) set->Add(std::move(*v));
    }
    return true;
  }
  return false;
}

bool ParseIntField(std::string_view& rest, int* out) {
  const auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), *out);
  if (ec != std::errc()) return false;
  rest.remove_prefix(static_cast<std::size_t>(ptr - rest.data()));
  return true;
}

bool OnlyBlanks(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

// "set\tvariable" with optional leading and trailing blanks.
bool ParseElementLine(std::string_view line, int* set, int* var) {
  if (line.size() > kListFileLineMax) return false;
  std::string_view rest = line;
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  if (!ParseIntField(rest, set)) return false;
  const auto blanks = rest.find_first_not_of(" \t");
  if (blanks == 0 || blanks == std::string_view::npos) return false;
  rest.remove_prefix(blanks);
  if (!ParseIntField(rest, var)) return false;
  return OnlyBlanks(rest);
}

std::string_view NameOf(std::string_view line) { return line.substr(0, kListFileLineMax); }

std::optional<std::string> ReadText(const std::string& path) {
  auto bytes = ReadWholeFile(path, kMaxListFileSize);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

int ParseDataSets(std::string_view text, DataSets* sets, bool* upgraded) {
  sets->Clear();
  if (upgraded) *upgraded = false;
  const auto lines = SplitLines(text);
  std::size_t i = 0;
  while (i < lines.size()) {
    const std::string_view name = lines[i++];
    if (name.size() < kMinNameLine) continue;
    DataSet set{std::string(NameOf(name))};
    std::string_view last;
    while (i < lines.size()) {
      const std::string_view line = lines[i++];
      if (line.size() < kMinItemLine) break;
      last = line;
      if (auto v = ParseVariableLine(line)) set.Add(std::move(*v));
    }
    if (!last.empty() && ApplyUpgrade(last, &set) && upgraded) *upgraded = true;
    sets->Add(std::move(set));
  }
  return sets->Count();
}

std::string FormatDataSets(const DataSets& sets) {
  std::string out;
  for (const auto& set : sets.Sets()) {
    out += set.Name();
    out += '\n';
    for (const auto& v : set.Variables()) {
      // An entry without its texts or id cannot be read back; an empty line in its
      // place would end the set early and lose the variables after it.
      if (!v.Writable()) continue;
      out += FormatVariableLine(v);
      out += '\n';
    }
    out += ".\n";
  }
  return out;
}

int ReadDataSets(const std::string& path, DataSets* sets) {
  std::optional<std::string> text;
  if (!EndsWith(path, LoadString(kStrDefaultSetsName))) text = ReadText(path);
  bool upgraded = false;
  if (!text || ParseDataSets(*text, sets, &upgraded) == 0) {
    *sets = DefaultDataSets();
    return kDefaultSetsBuilt;
  }
  if (upgraded) {
    const std::string lists = ListFilePath(FolderOf(path), LoadString(kStrDataListsFile));
    std::remove(lists.c_str());
  }
  return sets->Count();
}

int WriteDataSets(const std::string& path, const DataSets& sets) {
  if (path.empty()) return -1;
  return WriteFileAtomic(path, FormatDataSets(sets)) ? 0 : -1;
}

int ParseDataLists(std::string_view text, const DataSets* sets, DataLists* lists) {
  *lists = DataLists(sets);
  if (sets == nullptr || sets->Count() == 0) return 0;
  const auto lines = SplitLines(text);
  std::size_t i = 0;
  while (i < lines.size()) {
    const std::string_view name = lines[i++];
    if (name.size() < kMinNameLine) continue;
    DataList list(std::string(NameOf(name)), sets);
    while (i < lines.size()) {
      const std::string_view line = lines[i++];
      if (line.size() < kMinItemLine) break;
      int set = 0, var = 0;
      if (ParseElementLine(line, &set, &var)) list.Add(set, var, false);  // refused ones are dropped
    }
    lists->Add(std::move(list));
  }
  return lists->Count();
}

std::string FormatDataLists(const DataLists& lists) {
  std::string out;
  char line[32];
  for (const auto& list : lists.Lists()) {
    out += list.Name();
    out += '\n';
    for (const auto& e : list.Elements()) {
      std::snprintf(line, sizeof line, "%d\t%d\t\n", e.set_index, e.var_index);
      out += line;
    }
    out += ".\n";
  }
  return out;
}

int ReadDataLists(const std::string& path, const DataSets* sets, DataLists* lists) {
  if (sets == nullptr || sets->Count() == 0) return 0;
  if (EndsWith(path, LoadString(kStrDefaultListsName))) return -1;
  const auto text = ReadText(path);
  if (!text) return -1;
  return ParseDataLists(*text, sets, lists);
}

int WriteDataLists(const std::string& path, const DataLists& lists) {
  if (path.empty() || lists.Count() == 0) return 0;
  return WriteFileAtomic(path, FormatDataLists(lists)) ? lists.Count() : -1;
}

std::string ListFilePath(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  std::string p = folder;
  if (p.back() != '/') p += '/';
  p += name;
  return p;
}

std::unique_ptr<StationDataLists> LoadStationDataLists(const std::string& folder, const ListSensors& sensors) {
  auto data = std::make_unique<StationDataLists>();
  ReadDataSets(ListFilePath(folder, LoadString(kStrDataSetsFile)), &data->sets);
  // A station without lists could not browse or export anything: an unreadable or
  // empty lists file gives the defaults.
  if (ReadDataLists(ListFilePath(folder, LoadString(kStrDataListsFile)), &data->sets, &data->lists) <= 0)
    data->lists = DefaultDataLists(&data->sets, sensors);
  return data;
}

int SaveStationDataLists(const std::string& folder, const StationDataLists& data) {
  if (WriteDataSets(ListFilePath(folder, LoadString(kStrDataSetsFile)), data.sets) != 0) return -1;
  if (WriteDataLists(ListFilePath(folder, LoadString(kStrDataListsFile)), data.lists) < 0) return -1;
  return 0;
}

void ResetStationDataLists(StationDataLists* data, const ListSensors& sensors) {
  data->sets = DefaultDataSets();
  data->lists = DefaultDataLists(&data->sets, sensors);
}

}  // namespace sq
