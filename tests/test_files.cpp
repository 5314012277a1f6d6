#include "test_files.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/codepage.h"

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "nev-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TempFolder::write(const std::string& name, std::string_view bytes) const {
  fs::path file = path_ / name;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).write(bytes.data(), bytes.size());
  return file.string();
}

std::string TempFolder::read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const fs::path& folder)
    : previous_(fs::current_path()) {
  fs::current_path(folder);
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
}

std::string sjis(std::string_view utf8) { return utf8ToCp932(utf8); }

std::string storyIni(const std::vector<std::pair<int, std::string>>& changes) {
  std::vector<std::string> lines = {
      "Test story", "About", "Test",      // strings
      "160", "120",                       // screen
      "8", "60", "10", "0", "12", "14", "16", "20",  // layout, font, pitches, delay
      "255", "255", "255",                // text
      "128", "0", "0",                    // shadow
      "255", "255", "0",                  // pick
      "0", "0", "255",                    // choice
      "1", "1",                           // shadow offset
      "128",                              // overlay level
      "1", "0", "0", "0"};                // wait every line, scrambled, overlay, developer menu
  for (const auto& [line, text] : changes) lines[line] = text;
  std::string ini;
  for (const std::string& line : lines) ini += line + "\r\n";
  return ini;
}
