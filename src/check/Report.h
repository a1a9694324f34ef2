// SPDX-License-Identifier: GPL-3.0-or-later
// A check's result in the words learners and teachers read (Chinese): the score line, the
// classes of slips, then each error ("写错（同音）：他 → 她"). Shared by the practice window,
// Alt+Y's message and tessaly-check's readable report. Pure.
#pragma once

#include <cstddef>
#include <string>

#include "check/Check.h"

namespace tessaly {

// "参考共 N 个字词，错 E 处（写错 S，漏写 D，多写 I），正确率 A%", after "检查了第 1–3 句（共
// 6 句）：" when the reference has sentences; "还没有写……" when the dictation reaches none;
// "听写和参考文本相差太远……" when the two could not be aligned.
std::string scoreLine(const CheckResult& result);
// "写错的：同音字 h，声调没听出 t，拼写 s，其他 o", and "；写法不同也算对 q 处" when some
// units were the same words written another way.
std::string classesLine(const CheckResult& result);
// One error: "漏写：他", "多写：的", "写错（同音）：她 tā → 他 tā", "声调没听出：号 hào → 好 hǎo".
std::string errorText(const CheckResult& result, const Edit& edit);
// "96.1%", one decimal.
std::string percentText(double accuracy);

// Lines separated by "\n": the score, the classes, each checked sentence's accuracy ("第 2
// 句：正确率 87.5%，错 1 处"), then the errors; at most `maxErrors` errors listed (then "……").
std::string checkReport(const CheckResult& result, std::size_t maxErrors);

}  // namespace tessaly
