// SPDX-License-Identifier: GPL-3.0-or-later
// The door to the user-interface thread and what comes through it: a call posted from any
// thread runs there, later, in the order posted, and not at all once its poster has gone; the
// lesson maker hands over the newest lesson asked for, once, there.
#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "qt/BackgroundLessonMaker.h"
#include "qt/QtUiThread.h"

namespace tessaly::test {
namespace {

bool onUiThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

TEST(UiThread, CallsPostedFromAnyThreadRunThereLaterInOrderAndNotOnceThePosterHasGone) {
  const struct {
    const char* name;
    bool fromWorker;  // else from the user-interface thread itself
    bool posterGoes;  // destroyed before the loop turns
    int ran;
  } cases[] = {
      {"from a worker", true, false, 3},
      {"from the user-interface thread", false, false, 3},
      {"poster gone first", true, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int> ran;
    bool allOnUi = true;
    auto poster = std::make_unique<qt::QtUiThread>();
    auto postThree = [&] {
      for (int n = 0; n < 3; ++n)
        poster->post([&, n] {
          allOnUi = allOnUi && onUiThread();
          ran.push_back(n);
        });
    };
    if (c.fromWorker) {
      std::thread(postThree).join();
    } else {
      postThree();
    }
    EXPECT_TRUE(ran.empty()) << "ran before the loop turned";
    if (c.posterGoes) poster.reset();
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    ASSERT_EQ(static_cast<int>(ran.size()), c.ran);
    for (int n = 0; n < c.ran; ++n) EXPECT_EQ(ran[static_cast<std::size_t>(n)], n);
    EXPECT_TRUE(allOnUi);
  }
}

TEST(BackgroundLessonMaker, HandsOverTheNewestLessonOnceOnTheUserInterfaceThread) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  qt::BackgroundLessonMaker maker([&](const std::string& list, const std::string&) {
    if (list == "first.txt") released.wait();  // still speaking when the second is asked for
    return MadeLesson{list + ".wav", ""};
  });
  std::vector<std::string> made;
  bool onUi = true;
  maker.make("first.txt", "/lessons", [&](MadeLesson lesson) { made.push_back("first: " + lesson.recording); });
  maker.make("second.txt", "/lessons", [&](MadeLesson lesson) {
    onUi = onUiThread();
    made.push_back("second: " + lesson.recording);
  });
  release.set_value();
  for (int i = 0; i < 1000 && made.empty(); ++i) QTest::qWait(5);
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0], "second: second.txt.wav");
  EXPECT_TRUE(onUi);
}

}  // namespace
}  // namespace tessaly::test
