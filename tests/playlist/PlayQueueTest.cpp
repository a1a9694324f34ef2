// SPDX-License-Identifier: GPL-3.0-or-later
// The play list being played: filled, stepped through to its end marker, a long list cut to
// what its slots hold, cleared by a recording opened alone.
#include "playlist/PlayQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaly::test {
namespace {

std::vector<std::string> entries(int count) {
  std::vector<std::string> list;
  for (int i = 1; i <= count; ++i) list.push_back("/voice/" + std::to_string(i) + ".mp3");
  return list;
}

// Everything the queue hands out after its first entry, in order.
std::vector<std::string> drain(PlayQueue& queue) {
  std::vector<std::string> played;
  while (queue.hasNext()) played.push_back(queue.next());
  return played;
}

TEST(PlayQueue, PlaysEachEntryOnceAfterTheFirstThenNothing) {
  struct Case {
    const char* name;
    int count;
    int wantKept;  // the entries the queue holds
  };
  const Case cases[] = {
      {"one entry", 1, 1},
      {"three", 3, 3},
      {"as many as the slots hold", PlayQueue::kMaxEntries, PlayQueue::kMaxEntries},
      {"one too many: the marker keeps the last slot", PlayQueue::kMaxEntries + 1, PlayQueue::kMaxEntries},
      {"far too many", 300, PlayQueue::kMaxEntries},
  };
  for (const Case& c : cases) {
    PlayQueue queue;
    const std::vector<std::string> list = entries(c.count);
    EXPECT_EQ(queue.fill(list), list[0]) << c.name;
    EXPECT_EQ(queue.index(), 2) << c.name;
    EXPECT_EQ(queue.entry(c.wantKept + 1), PlayQueue::kEndMarker) << c.name;
    const std::vector<std::string> played = drain(queue);
    EXPECT_EQ(played, std::vector<std::string>(list.begin() + 1, list.begin() + c.wantKept)) << c.name;
    EXPECT_EQ(queue.index(), c.wantKept + 1) << c.name << ": the index rests on the marker";
    EXPECT_EQ(queue.next(), "") << c.name;
    EXPECT_EQ(queue.index(), c.wantKept + 1) << c.name << ": nothing more moves it";
  }
}

TEST(PlayQueue, NothingComesNextBeforeAListOrAfterItIsCleared) {
  PlayQueue fresh;
  EXPECT_EQ(fresh.index(), 0);
  EXPECT_FALSE(fresh.hasNext());
  EXPECT_EQ(fresh.next(), "");

  PlayQueue queue;
  queue.fill(entries(5));
  queue.next();
  queue.clear();
  EXPECT_EQ(queue.index(), 1);
  EXPECT_EQ(queue.entry(1), PlayQueue::kEndMarker);
  EXPECT_FALSE(queue.hasNext());

  // A shorter list after a longer one ends at its own marker, not the old list's entries.
  queue.fill(entries(5));
  queue.fill(entries(2));
  EXPECT_EQ(drain(queue), std::vector<std::string>{"/voice/2.mp3"});
}

}  // namespace
}  // namespace tessaly::test
