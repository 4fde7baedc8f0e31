// Whole-file reads and crash-safe whole-file writes for the program's binary and text
// configuration files. A write goes to a temporary file in the same folder, is synced,
// and then renamed over the old file, so a reader sees either the old or the new file,
// never a half-written one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "foundation/file_system.h"

namespace sq {

// Writes `data` to `path` atomically through the computer's file system (a
// ReplacementFile: temporary file, fsync, rename, fsync of the folder). Returns false and
// sets `*error` (when given) on failure; the old file is then untouched.
[[nodiscard]] bool WriteFileAtomic(const std::string& path, std::span<const std::uint8_t> data,
                                   std::string* error = nullptr);
[[nodiscard]] bool WriteFileAtomic(const std::string& path, const std::string& text, std::string* error = nullptr);

// Removes the temporary files ("NAME.tmp-PID") that processes no longer running left in
// `folder`; files of running processes are left alone. Returns how many were removed.
int RemoveStaleTemporaryFiles(const std::string& folder);

// Reads the whole file. Returns nothing (and sets `*error`) when it cannot be opened or
// read, or when it is larger than `max_size` bytes (nothing is allocated then).
[[nodiscard]] std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::size_t max_size,
                                                                     std::string* error = nullptr);

}  // namespace sq
