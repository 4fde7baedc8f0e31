// The program's numbered string table: every user-visible text, default file name,
// unit text and template tag is looked up here by its number. The texts live in
// resources/*.inc; an entry that code refers to by name ends with `// id: kName`, and
// the build turns those tags into resources/string_ids.h (namespace sq::string_id).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sq {

// Text of string `id`, or an empty view when the table has no such entry.
// The view points at static storage and stays valid for the life of the program.
std::string_view LoadString(std::uint32_t id);

// True when the table holds `id` (an entry may be present and empty).
bool HasString(std::uint32_t id);

// Copies string `id` into `buf` (at most `len` - 1 characters, always terminated) and
// returns the number of characters copied, like the platform's resource loader.
int LoadString(std::uint32_t id, char* buf, int len);

// Numbers that two areas define with different texts (must stay empty).
std::vector<std::uint32_t> ConflictingStringIds();

// Number of entries, for tests.
std::size_t StringCount();

}  // namespace sq
