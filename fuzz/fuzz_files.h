#pragma once
// What the fuzz targets share: a folder of their own for the files an input becomes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A fresh folder for this process, made once.
const std::string& fuzzFolder();

// Writes the bytes to `name` in the folder and returns its path.
std::string writeFuzzFile(const std::string& name, std::string_view bytes);

inline std::string_view bytesOf(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}
