// Remote folder names as the upload profiles store them: written with "\\" or "/" as
// the separator (older configurations use "\\"), made into server paths here.
#pragma once

#include <string>
#include <string_view>

namespace sq {

// Every "\\" made "/", then one trailing "/" removed: "\\a\\b\\" gives "/a/b".
[[nodiscard]] std::string ConvertPathToForwardSlashes(std::string_view path);

// GetPartialPath results.
inline constexpr int kPartialPrefix = 0;   // `out` is the path up to its n-th separator
inline constexpr int kPartialWhole = 1;    // the path has exactly n - 1 separators: `out` is all of it
inline constexpr int kPartialBeyond = -1;  // fewer separators: `out` is all of it

// Copies `path` into `out` up to (not including) its n-th separator ("\\" or "/"),
// n counted from 1. See the result codes above.
int GetPartialPath(int n, std::string_view path, std::string* out);

// `root` and `relative` joined with one "/" between them, and runs of "/" made one:
// ("/", "/a/b") gives "/a/b", ("/home/x", "a") gives "/home/x/a". An empty relative
// part gives the root; an empty root leaves the path relative (no leading "/").
[[nodiscard]] std::string JoinRemotePath(std::string_view root, std::string_view relative);

// A folder and a name or sub-folder stored in the settings, joined for this system:
// backslashes become "/", and exactly one "/" separates the two parts (none is added
// when either is empty).
[[nodiscard]] std::string JoinSettingPath(std::string_view folder, std::string_view sub);

}  // namespace sq
