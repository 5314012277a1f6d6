#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/host.h"
#include "engine/messages.h"

// Every problem leaves its line on standard error first; only one with a caption shows a box,
// whatever its text, an empty one included.
TEST(ReportProblem, TheLineAlwaysTheBoxOnlyWithACaption) {
  struct Row {
    Problem problem;
    std::vector<std::string> boxes;
  };
  const std::vector<Row> rows = {
      {{.boxText = "start.txt", .caption = kCaptionBadFile, .detail = "/s/start.txt: no such file"},
       {"ファイルが変|start.txt"}},
      {{.boxText = "", .caption = kCaptionBadFile, .detail = "/s/: no such file"}, {"ファイルが変|"}},
      {{.kind = ProblemKind::CannotWrite, .detail = "/d/auto.sav: No space left on device"}, {}},
  };
  for (const Row& row : rows) {
    std::vector<std::string> boxes;
    testing::internal::CaptureStderr();
    reportProblem([&boxes](const std::string& text,
                           const std::string& caption) { boxes.push_back(caption + "|" + text); },
                  row.problem);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "nev: " + row.problem.detail + "\n");
    EXPECT_EQ(boxes, row.boxes) << row.problem.detail;
  }
}
