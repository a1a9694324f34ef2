// SPDX-License-Identifier: GPL-3.0-or-later
// A window's kept place read back: what reads as a place, what is too small or not one, and
// the text written reading as what was written.
#include "settings/WindowPlace.h"

#include <gtest/gtest.h>

namespace tessaly::test {
namespace {

TEST(WindowPlace, ReadsWhatWasKeptAndNothingTooSmallOrMalformed) {
  struct Case {
    const char* kept;
    std::optional<WindowPlace> want;
  };
  const Case cases[] = {
      {"10,20,900,620", WindowPlace{10, 20, 900, 620}},
      {"-1200,-5,900,620", WindowPlace{-1200, -5, 900, 620}},  // a screen left of the first
      {"10,20,300,200", WindowPlace{10, 20, 300, 200}},        // the least size
      {"10,20,299,620", std::nullopt},
      {"10,20,900,199", std::nullopt},
      {"10,20,0,0", std::nullopt},
      {"10, 20, 900, 620", WindowPlace{10, 20, 900, 620}},  // edited by hand with spaces
      {"10,20,900,620,7", WindowPlace{10, 20, 900, 620}},
      {"10,20,900", std::nullopt},
      {"10;20;900;620", std::nullopt},
      {"x,20,900,620", std::nullopt},
      {"", std::nullopt},
      {"+10,20,900,620", WindowPlace{10, 20, 900, 620}},
      {"10 ,20,900,620", std::nullopt},  // a space before a comma does not read
      {"+-10,20,900,620", std::nullopt},
      // A number no int holds: none, rather than what is left of it after a cut (4294967596
      // is 2^32 + 300, which a cut reads as 300, a "valid" width).
      {"10,20,4294967596,620", std::nullopt},
      {"10,20,900,99999999999", std::nullopt},
      {"-99999999999,20,900,620", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(readWindowPlace(c.kept), c.want) << c.kept;
}

TEST(WindowPlace, WritesWhatItReads) {
  for (const WindowPlace& place : {WindowPlace{0, 0, 300, 200}, WindowPlace{-1920, 44, 1024, 768}}) {
    EXPECT_EQ(readWindowPlace(windowPlaceText(place)), place);
  }
  EXPECT_EQ(windowPlaceText({10, 20, 900, 620}), "10,20,900,620");
}

}  // namespace
}  // namespace tessaly::test
