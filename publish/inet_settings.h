// Internet settings by name: the text keys with which a user reads and changes every
// field of the internet configuration and of its upload profiles, each validated with
// a clear message before anything is stored. `stratoquill internet` is built on these
// tables. Passwords are never shown: their value reads "(set)" or "(not set)".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "publish/internet_config.h"

namespace sq {

struct InetSettingInfo {
  std::string key;
  std::string help;  // accepted values
};

// Keys of the record and of one profile, in the order `show` prints them.
const std::vector<InetSettingInfo>& InetSettingKeys();
const std::vector<InetSettingInfo>& ProfileSettingKeys();

// Applies "KEY=VALUE" assignments as one change: every one is checked, and either all
// take effect or none does. Returns the number of refused assignments, with one
// message each in `errors`.
[[nodiscard]] int ApplyInetSettings(InternetConfiguration& config, const std::vector<std::string>& assignments,
                                    std::vector<std::string>* errors);
[[nodiscard]] int ApplyProfileSettings(UploadParameters& profile, const std::vector<std::string>& assignments,
                                       std::vector<std::string>* errors);

// The value of `key` as text (passwords masked); empty for an unknown key.
[[nodiscard]] std::string InetSettingValue(const InternetConfiguration& config, std::string_view key);
[[nodiscard]] std::string ProfileSettingValue(const UploadParameters& profile, std::string_view key);

// Recounts the progress weights of a profile's image and report sets (offsets 320..324).
void RecountProfileSets(UploadParameters& profile);

}  // namespace sq
