#include "authoring/script_conversion.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "base/output_target.h"
#include "base/text_file.h"
#include "engine/script/line_reader.h"

namespace fs = std::filesystem;

bool isSameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;
  // Two paths that cannot be resolved are not known to be one file.
  std::error_code errorA, errorB;
  const fs::path canonicalA = fs::weakly_canonical(a, errorA);
  const fs::path canonicalB = fs::weakly_canonical(b, errorB);
  return !errorA && !errorB && canonicalA == canonicalB;
}

std::string convertScriptFile(const std::string& inputPath, const std::string& outputPath,
                              bool scramble) {
  TextFile input;
  if (!input.open(inputPath, "r")) return inputPath;
  // A rename would put the script in place of a link, a pipe or a device.
  if (outputTargetProblem(outputPath)) return outputPath;
  // The output is replaced only by a complete file: a failed pass leaves it as it was.
  const fs::path output(outputPath);
  std::string temporary =
      (output.parent_path() / ("." + output.filename().string() + ".XXXXXX")).string();
  const int descriptor = mkstemp(temporary.data());
  if (descriptor < 0) return outputPath;
  close(descriptor);
  // The new file gets the permissions of the one it replaces, or the usual ones.
  std::error_code error;
  const fs::perms permissions = fs::exists(output, error)
                                    ? fs::status(output, error).permissions()
                                    : fs::perms::owner_read | fs::perms::owner_write |
                                          fs::perms::group_read | fs::perms::others_read;
  fs::permissions(temporary, permissions, error);
  TextFile written;
  bool complete = written.open(temporary, "w");
  if (complete) {
    complete = scramble ? scrambleScript(input, written) : unscrambleScript(input, written);
    complete = written.close() && complete;
  }
  // A read error is not the end of the input: what was written is not the whole of it.
  if (input.readFailed()) {
    fs::remove(temporary, error);
    return inputPath;
  }
  if (complete) fs::rename(temporary, output, error);
  if (!complete || error) {
    fs::remove(temporary, error);
    return outputPath;
  }
  syncFolderOf(outputPath);
  return "";
}
