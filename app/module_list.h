// "ModuleList.dat": the list of expansion modules in the module folder. Text, one module
// a line: "%s 0x%08X 0x%08X %c %s" and a line feed (library file name, identifier and
// version in hexadecimal, '1' enabled or '0' disabled, description).
//
// Reading treats the file as hostile: a line is at most 255 characters (the rest of a
// longer line is dropped with it cut), a trailing carriage return is removed, and the
// fields are read as "%s %li %li %i %[^\n]" would read them: the integers take a
// "0x" prefix (or a leading 0 for octal), a description runs to the end of the line.
// A line with all five fields is "parsed"; a line with fewer counts as enabled (the
// loader then tries it and rewrites or drops it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sq {

inline constexpr std::size_t kModuleListLineMax = 255;
inline constexpr const char* kModuleFolderName = "Expansion_Modules";
inline constexpr const char* kModuleListName = "ModuleList.dat";
inline constexpr const char* kModuleListNewName = "ModuleListNew.dat";
inline constexpr const char* kModuleListBackupName = "ModuleListBackup.dat";

struct ModuleListLine {
  std::string text;           // the line as read (line feed removed)
  int fields = 0;             // fields read, 0..5
  std::string file_name;      // field 1
  std::uint32_t id = 0;       // field 2
  std::uint32_t version = 0;  // field 3
  int flag = 1;               // field 4; 1 when absent
  std::string description;    // field 5

  [[nodiscard]] bool Parsed() const { return fields == 5; }
  [[nodiscard]] bool Enabled() const { return !Parsed() || flag != 0; }
};

// Reads one line's fields.
[[nodiscard]] ModuleListLine ParseModuleListLine(std::string_view line);
// Splits a file's contents into lines as described above.
[[nodiscard]] std::vector<ModuleListLine> ParseModuleList(std::string_view contents);
// "%s 0x%08X 0x%08X %c %s\n"; the description is cut at a line break and so that the
// line stays within 255 characters.
[[nodiscard]] std::string FormatModuleListLine(std::string_view file_name, std::uint32_t id, std::uint32_t version,
                                               bool enabled, std::string_view description);
// True for a name a module file may have in the list: a plain file name (no '/', not
// "." or "..", no white space or control characters).
[[nodiscard]] bool ValidModuleFileName(std::string_view name);

}  // namespace sq
