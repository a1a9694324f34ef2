// A check's result in the words learners and teachers read (Chinese): the score line, the
// classes of slips, then each error ("写错（同音）：他 → 她"). Shared by Alt+Y's message and
// tessaly-check's readable report. Pure.
#pragma once

#include <cstddef>
#include <string>

#include "check/Check.h"

namespace tessaly {

// Lines separated by "\n"; at most `maxErrors` errors listed (then "……").
std::string checkReport(const CheckResult& result, std::size_t maxErrors);

}  // namespace tessaly
