#include "reports/station_data_lists.h"

#include <cstring>
#include <map>
#include <memory>

#include "app/station.h"
#include "app/station_lists_hook.h"
#include "foundation/display_units.h"

namespace sq {
namespace {

struct Registry {
  std::map<std::string, std::unique_ptr<StationDataLists>> by_folder;
  StationDataLists* current = nullptr;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

// The display-unit code's view of the current station's archive browser list.
class CurrentBrowserList : public SensorList {
 public:
  bool SensorName(std::uint32_t tag, int which, char* buf, int len) const override {
    const DataVariable* v = Find(tag);
    if (v == nullptr || buf == nullptr || len <= 0) return false;
    const std::string* texts[4] = {&v->label1, &v->label2, &v->short_name, &v->name};
    const std::string& s = *texts[which & 3];
    const std::size_t n = std::min(s.size(), static_cast<std::size_t>(len - 1));
    std::memcpy(buf, s.data(), n);
    buf[n] = '\0';
    return true;
  }
  bool SensorColor(std::uint32_t tag, int which, std::uint32_t* out) const override {
    const DataVariable* v = Find(tag);
    if (v == nullptr || out == nullptr) return false;
    *out = static_cast<std::uint32_t>(v->colours[static_cast<std::size_t>(which & 3)]);
    return true;
  }

 private:
  static const DataVariable* Find(std::uint32_t tag) {
    const StationDataLists* data = CurrentDataLists();
    if (data == nullptr) return nullptr;
    const DataList* list = data->lists.List(kArchiveBrowserList);
    return list ? FindListVariable(*list, tag) : nullptr;
  }
};

int LoadHook(Station& station) {
  auto& r = TheRegistry();
  auto data = LoadStationDataLists(station.Folder(), ListSensors::Of(station));
  auto& slot = r.by_folder[station.Folder()];
  slot = std::move(data);
  r.current = slot.get();
  return 0;
}

int SaveHook(const Station& station) { return SaveStationDataLists(station.Folder(), DataListsOf(station)); }

}  // namespace

void InstallDataListHooks() {
  static const CurrentBrowserList browser_list;
  StationLists().load = LoadHook;
  StationLists().save = SaveHook;
  DisplayUnits::SetSensorList(&browser_list);
}

StationDataLists& DataListsOf(const Station& station) {
  auto& slot = TheRegistry().by_folder[station.Folder()];
  if (!slot) slot = LoadStationDataLists(station.Folder(), ListSensors::Of(station));
  return *slot;
}

StationDataLists* CurrentDataLists() { return TheRegistry().current; }

void ForgetStationDataLists() {
  auto& r = TheRegistry();
  r.current = nullptr;
  r.by_folder.clear();
}

const DataVariable* FindListVariable(const DataList& list, std::uint32_t tag) {
  for (int i = 0; i < list.Count(); ++i) {
    const DataVariable* v = list.VariableOf(i);
    if (v != nullptr && v->id.value == tag) return v;
  }
  return nullptr;
}

}  // namespace sq
