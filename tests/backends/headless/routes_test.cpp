// `nev routes` end to end, on stories whose trees are known.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "base/codepage.h"
#include "test_files.h"

namespace {

struct Explored {
  int status;
  std::string output, routes, coverage, storyboard;
};

Explored explore(const std::string& start, const std::string& options = "") {
  TempFolder story, out;
  story.write("nev.ini", storyIni());
  story.write("start.txt", start);
  story.write("unused.wav", "RIFF");
  const ProgramRun run = runProgram(NEV_BINARY " routes '" + story.path().string() + "' '" +
                                    out.path().string() + "' " + options);
  const bool written = std::filesystem::exists(out.path() / "routes.json");
  return {run.status, run.output, written ? out.read("routes.json") : "",
          written ? out.read("coverage.json") : "", written ? out.read("index.html") : ""};
}

TEST(Routes, EachRouteOfAKnownTreeEndsAsItShould) {
  const struct {
    const char* what;
    std::string start;
    int status;
    std::string routes;  // the routes' list, whole
  } cases[] = {
      {"a two-level tree",
       "one\n@W2\na\nb\n@Jstart.txt,A;\n@Jstart.txt,B;\n@LA;\n@W2\nc\nd\n@Jstart.txt,C;\n"
       "@Jstart.txt,D;\n@LB;\nbee\n@E\n@LC;\nsee\n@E\n@LD;\ndee\n@E\n",
       0,
       R"({"picked": [0, 0], "end": "E", "waits": 2, "last_frame": "r0000/0005.png"},
  {"picked": [0, 1], "end": "E", "waits": 1, "last_frame": "r0001/0003.png"},
  {"picked": [1], "end": "E", "waits": 1, "last_frame": "r0002/0003.png"}]})"},
      {"a lattice that joins again: its second choice is explored once",
       "@W2\na\nb\n@Jstart.txt,J;\n@Jstart.txt,J;\n@LJ;\n@W2\nc\nd\n@E\n@E\n",
       0,
       R"({"picked": [0, 0], "end": "E", "waits": 0, "last_frame": "r0000/0003.png"},
  {"picked": [0, 1], "end": "E", "waits": 0, "last_frame": "r0001/0002.png"},
  {"picked": [1], "end": "join", "joins": 1, "waits": 0, "last_frame": "r0002/0001.png"}]})"},
      {"a loop back to its own choice",
       "@LTOP;\n@W2\nagain\nstop\n@Jstart.txt,TOP;\n@E\n",
       0,
       R"({"picked": [0], "end": "loop", "joins": 0, "waits": 0, "last_frame": "r0000/0001.png"},
  {"picked": [1], "end": "E", "waits": 0, "last_frame": "r0001/0002.png"}]})"},
      {"a box, and the route goes on",
       "@C0,0,missing.bmp,0;\nafter\n@E\n",
       2,
       R"({"picked": [], "end": "E", "boxes": [{"caption": "FILE ERR", "text": "missing.bmp"}], "waits": 1, "last_frame": "r0000/0002.png"}]})"},
      {"a runner that ends after its box",
       "@Jnone.txt;\nnever\n",
       2,
       R"({"picked": [], "end": "script-end", "boxes": [{"caption": "ファイルが変", "text": "none.txt"}], "waits": 0, "last_frame": "r0000/0001.png"}]})"},
      {"a story that never ends meets the limit",
       "@LA;\nround\n@Jstart.txt,A;\n", 3, R"("end": "limit")"},
  };
  // A route that loops through waits stops at its frames' bound.
  const Explored frames = explore("@LA;\nround\n@Jstart.txt,A;\n", "--max-frames 2");
  EXPECT_EQ(frames.status, 3) << frames.output;
  EXPECT_NE(frames.routes.find(R"("end": "limit", "waits": 2, "last_frame": "r0000/0002.png"})"),
            std::string::npos)
      << frames.routes;
  for (const auto& c : cases) {
    const Explored explored = explore(c.start, "--max-steps 500");
    EXPECT_EQ(explored.status, c.status) << c.what << "\n" << explored.output;
    EXPECT_NE(explored.routes.find(c.routes), std::string::npos) << c.what << "\n" << explored.routes;
  }
}

TEST(Routes, LinesLabelsFilesAndItemsNoRouteReachesAreReported) {
  const Explored explored = explore(
      "@Ymusic.mid,0;\nfirst\n@Jstart.txt,END;\nskipped over\n@LNEVER;\nnever either\n@LEND;\n@E\n");
  EXPECT_EQ(explored.status, 0) << explored.output;
  EXPECT_NE(explored.coverage.find(
                R"({"unreached_lines": [{"file": "start.txt", "line": 4, "text": "skipped over"}, {"file": "start.txt", "line": 5, "text": "@LNEVER;"}, {"file": "start.txt", "line": 6, "text": "never either"}],
"unreached_labels": [{"file": "start.txt", "line": 5, "text": "@LNEVER;"}],
"unused_files": ["unused.wav"],)"),
            std::string::npos)
      << explored.coverage;
  EXPECT_NE(explored.output.find("start.txt:4: no route reaches this line: skipped over\n"), std::string::npos);

  // The storyboard names every frame the routes list, and each is there beside it.
  const Explored tree = explore("one\n@W2\na\nb\n@E\n@E\n");
  for (const char* frame : {"r0000/0001.png", "r0000/0002.png", "r0001/0001.png"}) {
    EXPECT_NE(tree.storyboard.find(std::string("<img src=\"") + frame), std::string::npos) << frame;
  }
  EXPECT_NE(tree.storyboard.find("<li>a <a href=\"#r0\">route 0</a></li><li>b <a href=\"#r1\">route 1</a></li>"),
            std::string::npos)
      << tree.storyboard;
}

TEST(Routes, NamesInCodePage932AreUtf8InTheJsonAndEscapedOnTheTerminal) {
  TempFolder story, out;
  const std::string script = sjis("雨") + "\x1B[2J.txt";
  story.write("nev.ini", storyIni());
  story.write("start.txt", "@J" + script + ",A;\n");
  const std::string end = "@J" + script + ",B;\n";
  story.write(script, "@LA;\n@W2\na\nb\n" + end + end + sjis("届かない\n") + "@LB;\n@E\n");
  story.write("\x1B[31m" + sjis("絵") + ".bmp", "BM");
  const ProgramRun run =
      runProgram(NEV_BINARY " routes '" + story.path().string() + "' '" + out.path().string() + "'");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.find('\x1B'), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("雨\\x1B[2J.txt:7: no route reaches this line: 届かない\n"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("\\x1B[31m絵.bmp: no route uses this file\n"), std::string::npos)
      << run.output;
  const struct {
    const char* file;
    std::string says;
  } outputs[] = {{"routes.json", R"({"id": 0, "file": "雨\u001b[2J.txt", "line": 2,)"},
                 {"coverage.json", R"([{"file": "雨\u001b[2J.txt", "line": 7, "text": "届かない"}])"},
                 {"coverage.json", R"("unused_files": ["\u001b[31m絵.bmp"])"}};
  for (const auto& output : outputs) {
    const std::string text = out.read(output.file);
    EXPECT_EQ(validUtf8Escaped(text), text) << output.file << ": not UTF-8";
    EXPECT_EQ(text.find('\x1B'), std::string::npos) << output.file;
    EXPECT_NE(text.find(output.says), std::string::npos) << output.file << "\n" << text;
  }
}

// Every file under `folder`, by its path inside it, with its bytes.
std::map<std::string, std::string> filesUnder(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[std::filesystem::relative(entry.path(), folder).string()] =
        std::string(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

// 40 choice points of 3 items whose branches join again at the next.
std::string latticeScript() {
  std::string script;
  for (int point = 0; point < 40; ++point) {
    const std::string n = std::to_string(point);
    script += "@LC" + n + ";\nthe road to " + n + "\n@M\n@W3\nleft\nmiddle\nright\n";
    for (const char* branch : {"A", "B", "D"}) script += std::string("@Jstart.txt,") + branch + n + ";\n";
    for (const char* branch : {"A", "B", "D"}) {
      script += std::string("@L") + branch + n + ";\nbranch " + branch + "\n@M\n@Jstart.txt,C" +
                std::to_string(point + 1) + ";\n";
    }
  }
  return script + "@LC40;\n@E\n";
}

TEST(Routes, AnyNumberOfJobsWritesTheSameFolder) {
  TempFolder lattice;
  lattice.write("nev.ini", storyIni());
  lattice.write("start.txt", latticeScript());
  for (const std::string& story : {lattice.path().string(), std::string(NEV_SOURCE_DIR "/demo")}) {
    TempFolder one, two;
    const std::string command = NEV_BINARY " routes '" + story + "' ";
    const ProgramRun first = runProgram(command + "'" + one.path().string() + "' --jobs 1");
    const ProgramRun second = runProgram(command + "'" + two.path().string() + "' --jobs 2");
    ASSERT_EQ(first.status, 0) << story << "\n" << first.output;
    EXPECT_EQ(second.status, first.status) << story;
    EXPECT_EQ(second.output, first.output) << story;
    const auto expected = filesUnder(one.path());
    const auto got = filesUnder(two.path());
    EXPECT_GT(expected.size(), 3u) << story;
    EXPECT_EQ(got.size(), expected.size()) << story;
    for (const auto& [name, bytes] : expected) {
      const auto found = got.find(name);
      EXPECT_TRUE(found != got.end() && found->second == bytes) << story << ": " << name;
    }
  }
}

}  // namespace
