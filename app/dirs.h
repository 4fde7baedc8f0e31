// The program folder and the current folder. The program folder holds "progdata.dat",
// "download.log", "download.lst", "ports.lst" and the station folders; it is the folder
// that is current when the program starts (or the one named by --home /
// STRATOQUILL_HOME, which the front end changes into first).
//
// Result codes: 0 success, -1 failure.
#pragma once

#include <string>

namespace sq {

// The program folder as an absolute path; the current folder until one is set.
[[nodiscard]] std::string ProgramFolder();
void SetProgramFolder(const std::string& folder);

// The folder the user was in when the program started, before --home changed into the
// program folder (the current folder until one is set), and a path the user typed as
// meant: a relative one is relative to that folder.
[[nodiscard]] std::string UserFolder();
void SetUserFolder(const std::string& folder);
[[nodiscard]] std::string UserPath(const std::string& typed);

// Make the program folder / the given station folder the current folder.
[[nodiscard]] int SetProgramDir();
[[nodiscard]] int SetStationDir(const std::string& station_folder);

// A stack of at most 5 saved current folders. Pushing a sixth logs "Directory Stack
// Overflow", popping an empty stack logs "Directory Stack Underflow"; both return -1
// and leave the current folder as it is.
inline constexpr int kDirStackDepth = 5;
[[nodiscard]] int PushDir();
[[nodiscard]] int PopDir();
// Number of folders on the stack, for tests.
[[nodiscard]] int DirStackSize();

}  // namespace sq
