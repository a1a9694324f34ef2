// SPDX-License-Identifier: GPL-3.0-or-later
// A word list opened as a recording is: its lesson is made (by a maker that answers at once
// here), then opened and played; a list that cannot be made is told and nothing changes; a
// lesson that arrives after another file was opened is dropped.
#include <gtest/gtest.h>

#include "Form1Rig.h"

namespace tessaly::test {
namespace {

class ScriptedLessonMaker final : public LessonMaker {
 public:
  void make(const std::string& listPath, const std::string& folder, std::function<void(MadeLesson)> done) override {
    asked.push_back({listPath, folder});
    pending = std::move(done);
  }
  void answer(MadeLesson made) {
    if (auto done = std::move(pending)) done(std::move(made));
  }
  std::vector<std::pair<std::string, std::string>> asked;
  std::function<void(MadeLesson)> pending;
};

TEST(WordListInForm1, AListBecomesALessonThatPlays) {
  Form1Rig rig;
  ScriptedLessonMaker maker;
  rig.form->useLessonMaker(maker);
  rig.start();
  const std::string list = (rig.appPath / "voice" / "第三课生字.txt").string();
  writeBytes(list, "长\t长大\n");
  rig.open(list);
  ASSERT_EQ(maker.asked.size(), 1u);
  EXPECT_EQ(maker.asked[0].first, list);
  EXPECT_EQ(maker.asked[0].second, rig.appPath.string() + "/wordlists");
  EXPECT_EQ(rig.label(1).caption(), "正在把词语表读成录音……");
  const std::string lesson = rig.audio("第三课生字.wav", 8000);
  maker.answer({lesson, {}});
  EXPECT_EQ(rig.label(2).caption(), lesson);
  EXPECT_EQ(rig.form->engineKind(), EngineKind::Mci);
  EXPECT_TRUE(rig.mci.playing());
}

TEST(WordListInForm1, TheWordListCommandOffersListsOnly) {
  Form1Rig rig;
  rig.form->openWordListCommand();  // no maker: nothing offered
  EXPECT_TRUE(rig.dialog.calls().empty());
  ScriptedLessonMaker maker;
  rig.form->useLessonMaker(maker);
  rig.start();
  const std::string list = (rig.appPath / "voice" / "list.txt").string();
  rig.dialog.answer(list);
  rig.form->openWordListCommand();
  ASSERT_EQ(rig.dialog.calls().size(), 1u);
  EXPECT_EQ(rig.dialog.calls()[0].filter, "听写词语表(*.txt)|*.txt");
  ASSERT_EQ(maker.asked.size(), 1u);
  EXPECT_EQ(maker.asked[0].first, list);
}

TEST(WordListInForm1, AListThatCannotBeMadeIsToldAndALateLessonIsDropped) {
  Form1Rig rig;
  ScriptedLessonMaker maker;
  rig.form->useLessonMaker(maker);
  rig.start();
  const std::string before = rig.label(1).caption();
  rig.open((rig.appPath / "voice" / "empty.txt").string());
  maker.answer({{}, "词语表是空的"});
  EXPECT_EQ(rig.messages.shown().back(), "词语表是空的");
  EXPECT_EQ(rig.label(1).caption(), before);
  EXPECT_EQ(rig.label(2).caption(), "语音文件名");

  rig.open((rig.appPath / "voice" / "slow.txt").string());
  const std::string other = rig.audio("other.mp3");
  rig.open(other);  // opened while the list is still being made
  maker.answer({rig.audio("slow.wav"), {}});
  EXPECT_EQ(rig.label(2).caption(), other) << "the late lesson does not replace the file opened since";
}

}  // namespace
}  // namespace tessaly::test
