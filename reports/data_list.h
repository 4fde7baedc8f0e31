// DataList and DataLists: ordered selections of variables from a station's data sets.
// A list decides which columns a browser, an export or the automatic export file shows
// and which curves a plot offers. Elements refer to their variable by
// (set index, variable index) in the DataSets the list was made for; only active
// elements produce columns.
//
// The DataSets a list refers to is not owned by it and must outlive it (StationDataLists
// keeps both together).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reports/data_set.h"

namespace sq {

class Station;

inline constexpr int kMaxListElements = 100;

struct DataListElement {
  int set_index = 0;
  int var_index = 0;
  bool active = false;
  bool high_low = false;  // high/low marker of the browsers
};

class DataList {
 public:
  DataList() = default;
  DataList(std::string name, const DataSets* sets) : name_(std::move(name)), sets_(sets) {}

  [[nodiscard]] const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  [[nodiscard]] const DataSets* Sets() const { return sets_; }
  [[nodiscard]] int Count() const { return static_cast<int>(elements_.size()); }
  [[nodiscard]] const std::vector<DataListElement>& Elements() const { return elements_; }

  // Appends an element: true, or false (nothing added) when the list already holds
  // kMaxListElements, `sets` is not the list's DataSets, or the indices name no
  // variable of them.
  bool Add(const DataSets* sets, int set_index, int var_index, bool active);
  bool Add(int set_index, int var_index, bool active) { return Add(sets_, set_index, var_index, active); }
  // Removes element `index`; false when there is none.
  bool Remove(int index);
  // Sets every element active or inactive at once.
  void SetAllActive(bool active);
  void SetActive(int index, bool active);
  void SetHighLow(int index, bool on);

  // The variable of element `index` (nullptr when it names none).
  [[nodiscard]] const DataVariable* VariableOf(int index) const;
  // The variables of the active elements, in order.
  [[nodiscard]] std::vector<const DataVariable*> ActiveVariables() const;
  [[nodiscard]] int ActiveCount() const;

 private:
  std::string name_;
  std::vector<DataListElement> elements_;
  const DataSets* sets_ = nullptr;
};

// Copy options of CopyList.
inline constexpr int kCopyAsIs = 0;        // elements keep their active flags
inline constexpr int kCopyAllActive = 1;   // every element active in the copy
inline constexpr int kCopyOnlyActive = 2;  // only the active elements are copied

// A copy of `list` (same DataSets) named `name` (the list's own name when empty).
[[nodiscard]] DataList CopyList(const DataList& list, int option = kCopyAsIs, std::string name = {});

class DataLists {
 public:
  DataLists() = default;
  explicit DataLists(const DataSets* sets) : sets_(sets) {}

  [[nodiscard]] const DataSets* Sets() const { return sets_; }
  [[nodiscard]] int Count() const { return static_cast<int>(lists_.size()); }
  [[nodiscard]] const DataList* List(int index) const;
  [[nodiscard]] DataList* List(int index);
  // The first list of that name, or nullptr.
  [[nodiscard]] const DataList* Find(const std::string& name) const;
  [[nodiscard]] DataList* Find(const std::string& name);
  void Add(DataList list) { lists_.push_back(std::move(list)); }
  void Clear() { lists_.clear(); }
  [[nodiscard]] const std::vector<DataList>& Lists() const { return lists_; }

 private:
  const DataSets* sets_ = nullptr;
  std::vector<DataList> lists_;
};

// Station facts the default lists depend on.
struct ListSensors {
  std::uint32_t words[2] = {0, 0};  // sensor-mask words
  bool no_standard = false;         // leave the standard sensor entries out
  bool current_family = false;      // the station belongs to the current console family
  [[nodiscard]] static ListSensors Of(const Station& station);
};

// Indices of the default lists.
inline constexpr int kArchiveBrowserList = 0;
inline constexpr int kDayBrowserList = 1;
inline constexpr int kPlotList = 2;
inline constexpr int kStripchartList = 3;
inline constexpr int kOverlayList = 4;

// The five default lists over `sets` (the default data sets) for a station with
// `sensors`: archive browser, day browser, plot, strip chart, overlay.
[[nodiscard]] DataLists DefaultDataLists(const DataSets* sets, const ListSensors& sensors);

}  // namespace sq
