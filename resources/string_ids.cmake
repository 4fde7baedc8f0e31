# Writes the header of named string IDs from the string table's .inc files.
#
#   cmake -DOUTPUT=string_ids.h -DINPUTS="a.inc;b.inc" -P string_ids.cmake
#
# An entry that code names carries its name in a trailing comment:
#   {35200, "No new data to download."},  // id: kNoNewData
# and the header then holds `sq::string_id::kNoNewData = 35200`. A tag that is not on
# an entry line, a name that does not look like kName, or one name given twice stops
# the build.
cmake_minimum_required(VERSION 3.20)

set(body "")
set(seen_names "")
foreach(input IN LISTS INPUTS)
  file(READ "${input}" content)
  # Only the number and the tag matter; characters that CMake treats as list syntax go.
  string(REGEX REPLACE "[][;]" "" content "${content}")
  string(REGEX MATCHALL "[^\n]*// id:[^\n]*" tagged "${content}")
  get_filename_component(file_name "${input}" NAME)
  set(section "")
  foreach(line IN LISTS tagged)
    if(NOT line MATCHES "^[{]([0-9]+), .*[}], *// id: (k[A-Z][A-Za-z0-9]*) *$")
      message(FATAL_ERROR "${file_name}: a string-ID tag must end an entry line as `// id: kName`: ${line}")
    endif()
    set(number "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")
    if(name IN_LIST seen_names)
      message(FATAL_ERROR "${file_name}: string-ID name ${name} is given twice")
    endif()
    list(APPEND seen_names "${name}")
    string(APPEND section "inline constexpr std::uint32_t ${name} = ${number};\n")
  endforeach()
  if(section)
    string(APPEND body "\n// ${file_name}\n${section}")
  endif()
endforeach()

set(header "// Generated from resources/*.inc by resources/string_ids.cmake; do not edit.
// Names of the string-table entries that code refers to; the texts stay in the .inc
// files, where each named entry ends with `// id: kName`.
#pragma once

#include <cstdint>

namespace sq::string_id {
${body}
}  // namespace sq::string_id
")

# Rewrite only on change, so that a text edit does not rebuild every user of the header.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL header)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${header}")
