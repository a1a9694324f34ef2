// A check's result in the words learners and teachers read (Chinese): the score line, the
// classes of slips, then each error ("写错（同音）：他 → 她"). Shared by the practice window,
// Alt+Y's message and tessaly-check's readable report. Pure.
#pragma once

#include <cstddef>
#include <string>

#include "check/Check.h"

namespace tessaly {

// "参考共 N 个字词，错 E 处（写错 S，漏写 D，多写 I），正确率 A%"
std::string scoreLine(const CheckResult& result);
// "写错的：同音字 h，声调没听出 t，拼写 s，其他 o"
std::string classesLine(const CheckResult& result);
// One error: "漏写：他", "多写：的", "写错（同音）：她 → 他".
std::string errorText(const CheckResult& result, const Edit& edit);

// Lines separated by "\n"; at most `maxErrors` errors listed (then "……").
std::string checkReport(const CheckResult& result, std::size_t maxErrors);

}  // namespace tessaly
