// SPDX-License-Identifier: GPL-3.0-or-later
// The one copy of the check's tables (the readings and the spellings, about 15 MB): read
// from a readings file once, on its first use, and then shared read-only by every user of
// that file (the practice window's and the review's checks, the shadowing comparison) until
// the program ends.
//
// Threads: any; the first caller for a file reads it while later ones wait for it. The
// tables are never changed once read, so their users need no lock. kept()'s mutex guards the
// copies by file and the count of reads.
#pragma once

#include <memory>
#include <string>

#include "check/Check.h"

namespace tessaly {

struct LoadedCheckTables {
  CheckTables tables;   // empty when the file could not be read
  bool loaded = false;  // the file was read
};

std::shared_ptr<const LoadedCheckTables> sharedCheckTables(const std::string& readingsPath);

// How many times a readings file has been read into tables (for the tests).
int checkTableReads();

}  // namespace tessaly
