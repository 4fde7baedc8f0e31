// The sorted list of days that hold data, as packed dates
// (year x 65536 + month x 256 + day).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace sq {

[[nodiscard]] constexpr std::int32_t PackDate(int year, int month, int day) { return year * 65536 + month * 256 + day; }

class DateList {
 public:
  // Inserts a date; a date already present stays once.
  void Add(std::int32_t key) {
    auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
    if (it == keys_.end() || *it != key) keys_.insert(it, key);
  }
  // 0, or -2 when the date is not in the list (nothing changes then).
  int Delete(std::int32_t key) {
    auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
    if (it == keys_.end() || *it != key) return -2;
    keys_.erase(it);
    return 0;
  }
  // Removes every date of one month.
  void DeleteMonth(int year, int month) {
    const auto lo = std::lower_bound(keys_.begin(), keys_.end(), PackDate(year, month, 0));
    const auto hi = std::lower_bound(keys_.begin(), keys_.end(), PackDate(year, month + 1, 0));
    keys_.erase(lo, hi);
  }
  [[nodiscard]] bool Contains(std::int32_t key) const { return std::binary_search(keys_.begin(), keys_.end(), key); }
  // First date >= key, or 0 when none.
  [[nodiscard]] std::int32_t FirstFrom(std::int32_t key) const {
    auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
    return it == keys_.end() ? 0 : *it;
  }
  void Clear() { keys_.clear(); }
  [[nodiscard]] std::size_t size() const { return keys_.size(); }
  [[nodiscard]] std::int32_t operator[](std::size_t i) const { return keys_[i]; }
  [[nodiscard]] const std::vector<std::int32_t>& keys() const { return keys_; }

 private:
  std::vector<std::int32_t> keys_;
};

}  // namespace sq
