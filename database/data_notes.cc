#include "database/data_notes.h"

#include <cstdio>

namespace sq {
namespace {

std::string NoteFolder(const std::string& station_folder) {
  if (station_folder.empty()) return kDataNoteFolder;
  return station_folder.back() == '/' ? station_folder + kDataNoteFolder : station_folder + "/" + kDataNoteFolder;
}

}  // namespace

std::string DataNotePath(const std::string& station_folder, const DateTime& when) {
  char name[64];
  std::snprintf(name, sizeof name, "%04d%02d%02d%04d.NOTE", when.year, when.month, when.day, when.packed_time);
  return NoteFolder(station_folder) + "/" + name;
}

std::string OldDataNotePath(const std::string& station_folder, const DateTime& when) {
  const int t = when.packed_time;
  char name[64];
  std::snprintf(name, sizeof name, "%02d%02d%02d%02d.%02dN", when.year % 100, when.month, when.day, t / 60, t % 60);
  return NoteFolder(station_folder) + "/" + name;
}

}  // namespace sq
