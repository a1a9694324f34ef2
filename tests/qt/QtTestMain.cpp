// SPDX-License-Identifier: GPL-3.0-or-later
// One QApplication for every GUI test of the program, on the offscreen platform.
#include <QApplication>

#include <gtest/gtest.h>

#include "support/TestEnvironment.h"

int main(int argc, char** argv) {
  tessaly::test::useHeadlessDefaults();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
