#include "reports/data_list.h"

#include <algorithm>

#include "app/station.h"
#include "reports/list_strings.h"
#include "resources/string_table.h"

namespace sq {

bool DataList::Add(const DataSets* sets, int set_index, int var_index, bool active) {
  if (sets == nullptr || sets != sets_ || Count() >= kMaxListElements) return false;
  if (sets->Variable(set_index, var_index) == nullptr) return false;
  elements_.push_back(DataListElement{set_index, var_index, active, false});
  return true;
}

bool DataList::Remove(int index) {
  if (index < 0 || index >= Count()) return false;
  elements_.erase(elements_.begin() + index);
  return true;
}

void DataList::SetAllActive(bool active) {
  for (auto& e : elements_) e.active = active;
}

void DataList::SetActive(int index, bool active) {
  if (index >= 0 && index < Count()) elements_[static_cast<std::size_t>(index)].active = active;
}

void DataList::SetHighLow(int index, bool on) {
  if (index >= 0 && index < Count()) elements_[static_cast<std::size_t>(index)].high_low = on;
}

const DataVariable* DataList::VariableOf(int index) const {
  if (sets_ == nullptr || index < 0 || index >= Count()) return nullptr;
  const auto& e = elements_[static_cast<std::size_t>(index)];
  return sets_->Variable(e.set_index, e.var_index);
}

std::vector<const DataVariable*> DataList::ActiveVariables() const {
  std::vector<const DataVariable*> out;
  for (int i = 0; i < Count(); ++i) {
    if (!elements_[static_cast<std::size_t>(i)].active) continue;
    if (const DataVariable* v = VariableOf(i)) out.push_back(v);
  }
  return out;
}

int DataList::ActiveCount() const { return static_cast<int>(ActiveVariables().size()); }

DataList CopyList(const DataList& list, int option, std::string name) {
  DataList copy(name.empty() ? list.Name() : std::move(name), list.Sets());
  for (const auto& e : list.Elements()) {
    if (option == kCopyOnlyActive && !e.active) continue;
    const bool active = option == kCopyAllActive ? true : e.active;
    if (copy.Add(e.set_index, e.var_index, active)) copy.SetHighLow(copy.Count() - 1, e.high_low);
  }
  return copy;
}

const DataList* DataLists::List(int index) const {
  return index >= 0 && index < Count() ? &lists_[static_cast<std::size_t>(index)] : nullptr;
}

DataList* DataLists::List(int index) {
  return index >= 0 && index < Count() ? &lists_[static_cast<std::size_t>(index)] : nullptr;
}

const DataList* DataLists::Find(const std::string& name) const {
  for (const auto& l : lists_) {
    if (l.Name() == name) return &l;
  }
  return nullptr;
}

DataList* DataLists::Find(const std::string& name) {
  for (auto& l : lists_) {
    if (l.Name() == name) return &l;
  }
  return nullptr;
}

ListSensors ListSensors::Of(const Station& station) {
  ListSensors s;
  s.words[0] = station.record().sensors[0];
  s.words[1] = station.record().sensors[1];
  s.no_standard = station.record().no_standard_lists != 0;
  s.current_family = station.Corvale();
  return s;
}

namespace {

using ID = WeatherDataID;

// One entry of the default archive browser and plot lists: added when every bit of
// `first` is set in the first sensor word and every bit of `second` in the second.
struct DefaultEntry {
  WeatherDataID id;
  std::uint32_t first;
  std::uint32_t second;
  bool current_family;  // needs the current console family
  bool kept;            // also when the standard entries are left out
  bool plot;            // also in the plot list
  bool plot_active;     // active in the plot list
};

constexpr DefaultEntry kDefaultEntries[] = {
    {ID::OutsideTemp(), 0x1, 0, false, false, true, false},
    {ID::HighTemp(), 0x1, 0, false, false, true, false},
    {ID::LowTemp(), 0x1, 0, false, false, true, false},
    {ID::OutsideHum(), 0x10, 0, false, false, true, false},
    {ID::OutsideDewPoint(), 0x11, 0, false, false, true, false},
    {ID::WindSpeed(), 0x200, 0, false, false, true, false},
    {ID::WindDirection(), 0x400, 0, false, false, true, false},
    {ID::WindRun(), 0x200, 0, false, false, true, false},
    {ID::HighWindSpeed(), 0x200, 0, false, false, true, false},
    {ID::HighWindDirection(), 0x400, 0, true, false, true, false},
    {ID::WindChill(), 0x201, 0, false, false, true, false},
    {ID::HeatIndex(), 0x11, 0, false, false, true, false},
    {ID::THWIndex(), 0x211, 0, false, false, true, false},
    {ID::THSWIndex(), 0xA00, 0, false, false, true, false},
    {ID::Barometer(), 0x100, 0, false, true, true, false},
    {ID::Rain(), 0x8000, 0, false, false, true, false},
    {ID::HighRainRate(), 0x80, 0, false, false, true, false},
    {ID::SolarRad(), 0x800, 0, false, false, true, false},
    {ID::SolarEnergy(), 0x800, 0, false, false, true, false},
    {ID::HighSolarRad(), 0x800, 0x1, false, false, true, false},
    {ID::UVIndex(), 0x1000, 0, false, false, true, false},
    {ID::UVDose(), 0x1000, 0, false, false, true, false},
    {ID::HighUVIndex(), 0x1000, 0x2, false, false, true, false},
    {ID::HeatingDegreeDays(), 0x1, 0, false, false, true, false},
    {ID::CoolingDegreeDays(), 0x1, 0, false, false, true, false},
    {ID::InsideTemp(), 0x2000, 0, false, true, true, false},
    {ID::InsideHum(), 0x4000, 0, false, true, true, false},
    {ID::InsideDewPoint(), 0x6000, 0, false, true, true, true},
    {ID::InsideHeatIndex(), 0x6000, 0, false, true, true, true},
    {ID::InsideEMC(), 0, 0, true, true, true, false},
    {ID::InsideAirDensity(), 0, 0, true, true, true, false},
    {ID::Temperature(2), 0x2, 0, false, false, true, false},
    {ID::Temperature(3), 0x4, 0, false, false, true, false},
    {ID::Temperature(4), 0x8, 0, false, false, true, false},
    {ID::Humidity(2), 0x20, 0, false, false, true, false},
    {ID::Humidity(3), 0x40, 0, false, false, true, false},
    {ID::Evapotranspiration(), 0xB11, 0, false, false, true, false},
    {ID::SoilMoisture(1), 0x10000, 0, false, false, true, false},
    {ID::SoilMoisture(2), 0x20000, 0, false, false, true, false},
    {ID::SoilMoisture(3), 0x40000, 0, false, false, true, false},
    {ID::SoilMoisture(4), 0x80000, 0, false, false, true, false},
    {ID::SoilTemperature(1), 0x100000, 0, false, false, true, false},
    {ID::SoilTemperature(2), 0x200000, 0, false, false, true, false},
    {ID::SoilTemperature(3), 0x400000, 0, false, false, true, false},
    {ID::SoilTemperature(4), 0x800000, 0, false, false, true, false},
    {ID::LeafWetness(1), 0x1000000, 0, false, false, true, false},
    {ID::LeafWetness(2), 0x2000000, 0, false, false, true, false},
    {ID::LeafWetness(3), 0x4000000, 0, false, false, true, false},
    {ID::LeafWetness(4), 0x8000000, 0, false, false, true, false},
    {ID::LeafTemperature(1), 0x10000000, 0, false, false, true, false},
    {ID::LeafTemperature(2), 0x20000000, 0, false, false, true, false},
    {ID::LeafTemperature(3), 0x40000000, 0, false, false, true, false},
    {ID::LeafTemperature(4), 0x80000000, 0, false, false, true, false},
    {ID::WindSamples(), 0, 0, true, false, false, false},
    {ID::WindTransmitter(), 0, 0, true, false, false, false},
    {ID::Reception(), 0, 0, true, false, true, false},
    {ID::ArchiveInterval(), 0, 0, false, true, false, false},
};

bool Holds(const DefaultEntry& e, const ListSensors& s) {
  if (s.no_standard && !e.kept) return false;
  if (e.current_family && !s.current_family) return false;
  return (s.words[0] & e.first) == e.first && (s.words[1] & e.second) == e.second;
}

// Index of the variable `id` in set `set`, or -1.
int IndexOf(const DataSets* sets, int set, WeatherDataID id) {
  const DataSet* s = sets->Set(set);
  if (s == nullptr) return -1;
  for (int i = 0; i < s->Count(); ++i) {
    if (s->Variable(i)->id == id) return i;
  }
  return -1;
}

}  // namespace

DataLists DefaultDataLists(const DataSets* sets, const ListSensors& sensors) {
  DataLists lists(sets);
  DataList archive(std::string(LoadString(kStrArchiveListName)), sets);
  DataList day(std::string(LoadString(kStrDayListName)), sets);
  DataList plot(std::string(LoadString(kStrPlotListName)), sets);
  for (const auto& e : kDefaultEntries) {
    if (!Holds(e, sensors)) continue;
    const int index = IndexOf(sets, kArchiveSet, e.id);
    if (index < 0) continue;  // the station's own sets may lack it
    archive.Add(kArchiveSet, index, true);
    if (e.plot) plot.Add(kArchiveSet, index, e.plot_active);
  }
  DataList strip = CopyList(plot, kCopyAsIs, std::string(LoadString(kStrStripListName)));
  DataList overlay(std::string(LoadString(kStrOverlayListName)), sets);
  if (const DataSet* s = sets->Set(kOverlaySet)) {
    for (int i = 0; i < s->Count(); ++i) overlay.Add(kOverlaySet, i, false);
  }
  lists.Add(std::move(archive));
  lists.Add(std::move(day));
  lists.Add(std::move(plot));
  lists.Add(std::move(strip));
  lists.Add(std::move(overlay));
  return lists;
}

}  // namespace sq
