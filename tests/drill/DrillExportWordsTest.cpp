// SPDX-License-Identifier: GPL-3.0-or-later
// The words around a drill's export: why it cannot start, the name offered, the question
// about the files in its way (never its own file, which the file dialog asked about), and
// what became of it.
#include "drill/DrillExportWords.h"

#include <gtest/gtest.h>

namespace tessaly::test {
namespace {

TEST(DrillExportWords, SayWhyAnExportCannotStart) {
  const std::vector<DrillStep> plan = {{1000, 3000, 0, 1, 1, 100, 0}};
  struct Case {
    const char* name;
    std::string recording;
    std::vector<DrillStep> plan;
    std::string want;  // the start of the words; "" none
  };
  const Case cases[] = {
      {"nothing open", "", plan, "请先打开语音文件"},
      {"nothing open, no plan", "", {}, "请先打开语音文件"},
      {"the plain loop or no sentences", "/v/lesson.mp3", {}, "请先在复读选项（Alt+O）里选一个复读方案"},
      {"ready", "/v/lesson.mp3", plan, ""},
  };
  for (const Case& c : cases) {
    const std::string problem = drillExportProblem(c.recording, c.plan);
    if (c.want.empty()) {
      EXPECT_EQ(problem, "") << c.name;
    } else {
      EXPECT_EQ(problem.rfind(c.want, 0), 0u) << c.name << ": " << problem;
    }
  }
}

TEST(DrillExportWords, OfferTheDrillBesideItsRecordingNamedForTheScheme) {
  const DrillFileOffer offer = drillFileOffer("/v/第一课.wav", "逐句听写");
  EXPECT_EQ(offer.folder, "/v");
  EXPECT_EQ(offer.name, "第一课-逐句听写.mp3");
}

TEST(DrillExportWords, AskOnlyAboutTheFilesBesideTheDrill) {
  struct Case {
    const char* name;
    std::vector<std::string> inTheWay;
    std::string wantListed;  // "" no question
  };
  const Case cases[] = {
      {"nothing in the way", {}, ""},
      {"only the drill itself", {"/v/d.mp3"}, ""},
      {"its .lrc", {"/v/d.lrc"}, "/v/d.lrc\n"},
      {"itself and two beside it", {"/v/d.mp3", "/v/d.lrc", "/v/d.txt"}, "/v/d.lrc\n/v/d.txt\n"},
  };
  for (const Case& c : cases) {
    const std::string question = drillInTheWayQuestion("/v/d.mp3", c.inTheWay);
    if (c.wantListed.empty()) {
      EXPECT_EQ(question, "") << c.name;
      continue;
    }
    EXPECT_NE(question.find("：\n" + c.wantListed + "仍要导出吗？"), std::string::npos) << c.name << ": " << question;
  }
}

TEST(DrillExportWords, TellWhatBecameOfTheExport) {
  struct Case {
    const char* name;
    DrillExportState state;
    std::string want;
  };
  const Case cases[] = {
      {"written", {1, true, "", ""}, "已导出复读录音：\n/v/d.mp3\n和它的 .lrc 文件。"},
      {"written, part unread",
       {1, true, "", "录音有一段读不出来。"},
       "已导出复读录音：\n/v/d.mp3\n和它的 .lrc 文件。\n\n录音有一段读不出来。"},
      {"not written", {0.4, true, "磁盘已满。", ""}, "磁盘已满。"},
  };
  for (const Case& c : cases) EXPECT_EQ(drillExportReport(c.state, "/v/d.mp3"), c.want) << c.name;
}

}  // namespace
}  // namespace tessaly::test
