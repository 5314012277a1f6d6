#include "engine/host.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/codepage.h"

void printMessageBox(const std::string& text, const std::string& caption, const std::string&) {
  std::fprintf(stderr, "[%s] %s\n", printableText(caption).c_str(), printableText(text).c_str());
}

void printProblem(const Problem& problem) {
  std::fputs(problemLine(problem).c_str(), stderr);
}

void reportProblem(const MessageBoxFunction& showBox, const Problem& problem) {
  printProblem(problem);
  if (problem.showsBox()) showBox(problem.boxText, problem.caption, problemDetails(problem));
}

void sleepMilliseconds(int32_t milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

SoundBackend& silentSound() {
  static SilentSound silence;
  return silence;
}

GlyphRasterizer& noGlyphs() {
  static NoGlyphs none;
  return none;
}

void releasePlayerSeams(PlatformServices& platform) {
  GlyphRasterizer* const glyphs = platform.glyphs;
  platform = PlatformServices{};
  platform.glyphs = glyphs;
}
