#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/host.h"
#include "engine/messages.h"

// Every problem leaves its line on standard error first; only one with a caption shows a box,
// whatever its text, an empty one included, and says what to do there and in its details.
TEST(ReportProblem, TheLineAlwaysTheBoxOnlyWithACaption) {
  struct Row {
    Problem problem;
    std::string line;
    std::vector<std::string> boxes;
  };
  const std::vector<Row> rows = {
      {{.boxText = "start.txt", .caption = kCaptionBadFile, .detail = "/s/start.txt: no such file"},
       "nev: /s/start.txt: no such file; the story's folder must hold this file as its author made "
       "it\n",
       {"ファイルが変|start.txt|/s/start.txt: no such file\nthe story's folder must hold this file "
        "as its author made it"}},
      {{.boxText = "", .caption = kCaptionBadFile, .detail = "/s/: x", .advice = "y"},
       "nev: /s/: x; y\n", {"ファイルが変||/s/: x\ny"}},
      {{.kind = ProblemKind::CannotWrite, .detail = "/d/auto.sav: No space left on device"},
       "nev: /d/auto.sav: No space left on device\n", {}},
  };
  for (const Row& row : rows) {
    std::vector<std::string> boxes;
    testing::internal::CaptureStderr();
    reportProblem([&boxes](const std::string& text, const std::string& caption,
                           const std::string& details) {
      boxes.push_back(caption + "|" + text + "|" + details);
    }, row.problem);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), row.line);
    EXPECT_EQ(boxes, row.boxes) << row.problem.detail;
  }
}
