// SPDX-License-Identifier: GPL-3.0-or-later
// The record's questions (the due list, the charts' figures, the missed sentences, where a
// recording went): each answered by its serial, once, and a question asked again drops the
// older answer, so answers nobody takes are not kept.
#include <gtest/gtest.h>

#include <functional>

#include "store/RecordKeeper.h"
#include "support/TempFolder.h"

namespace tessaly::test {
namespace {

TEST(RecordKeeperQuestions, AQuestionAskedAgainDropsTheOlderAnswer) {
  using Ask = std::function<std::uint32_t(RecordKeeper&)>;
  using Take = std::function<bool(RecordKeeper&, std::uint32_t)>;
  const struct {
    const char* name;
    Ask ask;
    Take take;
  } kinds[] = {
      {"due list", [](RecordKeeper& k) { return k.askDue(20000, 10); },
       [](RecordKeeper& k, std::uint32_t s) { return k.takeDue(s).has_value(); }},
      {"charts", [](RecordKeeper& k) { return k.askStats(20000, 30); },
       [](RecordKeeper& k, std::uint32_t s) { return k.takeStats(s).has_value(); }},
      {"missed", [](RecordKeeper& k) { return k.askMissed(0); },
       [](RecordKeeper& k, std::uint32_t s) { return k.takeMissed(s).has_value(); }},
      {"find", [](RecordKeeper& k) { return k.askFind(DueSentence{}, {}); },
       [](RecordKeeper& k, std::uint32_t s) { return k.takeFound(s).has_value(); }},
  };
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.name);
    TempFolder folder;
    RecordKeeper keeper((folder / "practice.sqlite3").string());
    const std::uint32_t first = kind.ask(keeper);
    keeper.waitIdle();
    const std::uint32_t second = kind.ask(keeper);  // the window refreshed before it took the first
    keeper.waitIdle();
    EXPECT_NE(first, second);
    EXPECT_FALSE(kind.take(keeper, first)) << "the older answer is still kept";
    EXPECT_TRUE(kind.take(keeper, second));
    EXPECT_FALSE(kind.take(keeper, second)) << "handed over twice";
  }
}

}  // namespace
}  // namespace tessaly::test
