// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the 900_8.dat shipped with the program (see firstStartAppearanceFile) to the path
// given. Run by the build; not installed.
#include <cstdio>
#include <fstream>

#include "dictation/AppearanceFile.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.dat\n", argv[0]);
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << tessaly::serialiseAppearanceFile(tessaly::firstStartAppearanceFile());
  return out.good() ? 0 : 1;
}
