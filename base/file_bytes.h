#pragma once
// Files read whole, as bytes, before anything in them is trusted.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

// Nothing when the path is not a regular file, is larger than `largest` bytes, or cannot be
// read whole. A FIFO or device named by a story is never opened.
std::optional<std::string> readWholeFile(const std::string& hostPath,
                                         uint64_t largest = std::numeric_limits<uint64_t>::max());

// Whether the path names a regular file (following links).
bool isRegularFile(const std::string& hostPath);
