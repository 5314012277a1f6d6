#include "base/file_bytes.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

bool isRegularFile(const std::string& hostPath) {
  std::error_code error;
  return std::filesystem::is_regular_file(hostPath, error);
}

std::optional<std::string> readWholeFile(const std::string& hostPath, uint64_t largest) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(hostPath, error)) return std::nullopt;
  const uintmax_t size = std::filesystem::file_size(hostPath, error);
  if (error || size > largest) return std::nullopt;
  std::FILE* handle = std::fopen(hostPath.c_str(), "rb");
  if (handle == nullptr) return std::nullopt;
  std::string bytes(size, '\0');
  const size_t count = std::fread(bytes.data(), 1, bytes.size(), handle);
  std::fclose(handle);
  // Shrunk since it was measured: what remains cannot be trusted to be whole.
  if (count != bytes.size()) return std::nullopt;
  return bytes;
}
