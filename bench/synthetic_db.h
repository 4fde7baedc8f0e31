// The generated station database the benchmarks share: 10 years of 5-minute records from
// 2015-01 (about a million archive records in 120 month files), written once into the
// build folder by make_synthetic_db and kept between runs.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace sq::bench {

// The folder of the database, generated on first use (the process exits when that fails).
inline const std::string& SyntheticTenYears() {
  static const std::string folder = [] {
    const std::string f = std::string(SQ_BENCH_DATA) + "/synthetic10";
    if (!std::filesystem::exists(f + "/2024-12.sqm")) {
      std::filesystem::remove_all(f);
      const std::string cmd = std::string(SQ_MAKE_SYNTHETIC_DB) + " " + f + " --years 10 --interval 5 --start 2015-01";
      if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "cannot generate %s\n", f.c_str());
        std::exit(1);
      }
    }
    return f;
  }();
  return folder;
}

// A fresh copy of it named `name`, for benchmarks that write.
inline std::string SyntheticTenYearsCopy(const std::string& name) {
  const std::string copy = std::string(SQ_BENCH_DATA) + "/" + name;
  std::filesystem::remove_all(copy);
  std::filesystem::copy(SyntheticTenYears(), copy);
  return copy;
}

}  // namespace sq::bench
