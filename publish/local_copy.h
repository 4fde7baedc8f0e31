// The local copy of an upload run: every published file is also copied into a folder
// of this computer (a web server's folder, say). A copy is written under a temporary
// name beside its target and renamed over it when complete, so a reader never sees
// half a file.
#pragma once

#include <string>

namespace sq {

inline constexpr int kLocalCopyMaxLevels = 20;

// Copies `from` to `to`, replacing `to`. When the target's folder does not exist its
// missing levels are made (at most 20 levels below the file system's root). 0 success;
// otherwise the errno of the failure, with `*failed_folder` set when a folder could not
// be made.
[[nodiscard]] int CopyFileReplacing(const std::string& from, const std::string& to, std::string* failed_folder);

}  // namespace sq
