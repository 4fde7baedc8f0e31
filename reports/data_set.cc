#include "reports/data_set.h"

#include "database/variable_catalogue.h"
#include "reports/list_strings.h"
#include "resources/string_table.h"

namespace sq {

const DataVariable* DataSet::Variable(int index) const {
  return index >= 0 && index < Count() ? &vars_[static_cast<std::size_t>(index)] : nullptr;
}

DataVariable* DataSet::Variable(int index) {
  return index >= 0 && index < Count() ? &vars_[static_cast<std::size_t>(index)] : nullptr;
}

const DataSet* DataSets::Set(int index) const {
  return index >= 0 && index < Count() ? &sets_[static_cast<std::size_t>(index)] : nullptr;
}

DataSet* DataSets::Set(int index) {
  return index >= 0 && index < Count() ? &sets_[static_cast<std::size_t>(index)] : nullptr;
}

const DataVariable* DataSets::Variable(int set, int var) const {
  const DataSet* s = Set(set);
  return s ? s->Variable(var) : nullptr;
}

DataSet LoadResourceSet(std::string name, std::uint32_t first) {
  DataSet set(std::move(name));
  for (std::uint32_t id = first;; ++id) {
    const std::string_view line = LoadString(id);
    if (line.size() < 2) break;
    if (auto v = ParseVariableLine(line)) set.Add(std::move(*v));
  }
  return set;
}

DataSets DefaultDataSets() {
  DataSets sets;
  sets.Add(LoadResourceSet(std::string(LoadString(kStrArchiveSetName)), kArchiveCatalogueFirst));
  sets.Add(LoadResourceSet(std::string(LoadString(kStrDailySetName)), kDailySetFirst));
  sets.Add(LoadResourceSet(std::string(LoadString(kStrOverlaySetName)), kOverlaySetFirst));
  return sets;
}

}  // namespace sq
