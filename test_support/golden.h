// Golden files: output compared with a file kept in the source tree. The build target
// regenerate-golden runs the tests that have golden files with --regenerate-golden,
// which rewrites the files that differ instead of comparing.
#pragma once

#include <string>
#include <string_view>

namespace sq::testing {

// True when the tests run to regenerate the golden files.
[[nodiscard]] bool RegeneratingGolden();
void SetRegeneratingGolden(bool on);

// Compares `actual` with the golden file `name` in `folder` (relative to the source
// tree), line by line for readable failures and then byte for byte; when regenerating,
// rewrites the file if it differs.
void ExpectGolden(std::string_view folder, std::string_view name, const std::string& actual);

}  // namespace sq::testing
