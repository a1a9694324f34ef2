// SPDX-License-Identifier: GPL-3.0-or-later
// The main of every test program: headless defaults, then GoogleTest.
#include <gtest/gtest.h>

#include "support/TestEnvironment.h"

int main(int argc, char** argv) {
  tessaly::test::useHeadlessDefaults();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
