// DataSet and DataSets: named catalogues of variables that data lists pick columns
// from. A variable is addressed by its index in its set, and across sets by
// (set index, variable index); lists store those positions, so the order of a set is
// part of the station's saved state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reports/data_variable.h"

namespace sq {

// Indices of the default sets.
inline constexpr int kArchiveSet = 0;
inline constexpr int kDailySet = 1;
inline constexpr int kOverlaySet = 2;
// First resource of each default set's run of variable lines.
inline constexpr std::uint32_t kDailySetFirst = 12000;
inline constexpr std::uint32_t kOverlaySetFirst = 14000;

class DataSet {
 public:
  DataSet() = default;
  explicit DataSet(std::string name) : name_(std::move(name)) {}

  [[nodiscard]] const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  [[nodiscard]] int Count() const { return static_cast<int>(vars_.size()); }
  // nullptr for an index outside 0..Count()-1.
  [[nodiscard]] const DataVariable* Variable(int index) const;
  [[nodiscard]] DataVariable* Variable(int index);
  void Add(DataVariable v) { vars_.push_back(std::move(v)); }
  [[nodiscard]] const std::vector<DataVariable>& Variables() const { return vars_; }

 private:
  std::string name_;
  std::vector<DataVariable> vars_;
};

class DataSets {
 public:
  [[nodiscard]] int Count() const { return static_cast<int>(sets_.size()); }
  [[nodiscard]] const DataSet* Set(int index) const;
  [[nodiscard]] DataSet* Set(int index);
  // nullptr when either index is out of range.
  [[nodiscard]] const DataVariable* Variable(int set, int var) const;
  void Add(DataSet s) { sets_.push_back(std::move(s)); }
  void Clear() { sets_.clear(); }
  [[nodiscard]] const std::vector<DataSet>& Sets() const { return sets_; }

 private:
  std::vector<DataSet> sets_;
};

// The three default sets: "Archive Data Values" (the archive catalogue), "Daily Data
// Values" and "Overlay Variables Set", read from the string resources.
[[nodiscard]] DataSets DefaultDataSets();

// Reads variable lines from resource `first` on until a string shorter than two
// characters; lines that do not parse are left out.
[[nodiscard]] DataSet LoadResourceSet(std::string name, std::uint32_t first);

}  // namespace sq
