// `nev render` keeps music and sound effects in its log, on its virtual clock.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "midi_files.h"
#include "test_files.h"

namespace {

struct Rendered {
  int status = -1;
  std::vector<std::string> soundEvents;
};

Rendered render(const TempFolder& story, const TempFolder& out) {
  const std::string command = std::string(NEV_BINARY) + " render '" + story.path().string() +
                              "' '" + out.path().string() + "' >/dev/null 2>&1";
  const int raw = std::system(command.c_str());
  Rendered rendered;
  rendered.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream events(out.path() / "events.jsonl");
  for (std::string line; std::getline(events, line);) {
    for (const char* kind : {"\"music\"", "\"music-stop\"", "\"sound\"", "\"box\""}) {
      if (line.find("\"event\":" + std::string(kind)) != std::string::npos) {
        rendered.soundEvents.push_back(line);
      }
    }
  }
  return rendered;
}

TEST(RenderSound, LoopsAtTheMidiFilesOwnLengthUntilStopped) {
  TempFolder story, out;
  story.write("nev.ini", storyIni());
  story.write("loop.mid", heldNote(300));
  story.write("once.mid", heldNote(200));
  story.write("start.txt", "@Yloop.mid,1;\n@T1000;\n@Q\n@T500;\n@Yonce.mid,0;\n@T800;\n" +
                               sjis("@Z効果音.wav") + "\n@Ynone.mid,1;\n@T700;\n@Q\n");
  const Rendered rendered = render(story, out);
  EXPECT_EQ(rendered.status, 0);
  EXPECT_EQ(rendered.soundEvents,
            (std::vector<std::string>{
                R"({"t":0,"event":"music","file":"loop.mid","loop":1})",
                R"({"t":300,"event":"music","file":"loop.mid","loop":1,"replay":true})",
                R"({"t":600,"event":"music","file":"loop.mid","loop":1,"replay":true})",
                R"({"t":900,"event":"music","file":"loop.mid","loop":1,"replay":true})",
                R"({"t":1000,"event":"music-stop"})",
                R"({"t":1500,"event":"music","file":"once.mid","loop":0})",
                R"({"t":2300,"event":"sound","name":"効果音.wav\u000a"})",
                R"({"t":2300,"event":"music","file":"none.mid","loop":1})",
                R"({"t":3000,"event":"music-stop"})",
            }));
}

}  // namespace
