// SPDX-License-Identifier: GPL-3.0-or-later
// The words around a drill's export (in Chinese): why it cannot start, the name offered for
// its file, the question about the files in its way, and what became of it.
//
// Any thread; pure.
#pragma once

#include <string>
#include <vector>

#include "drill/DrillExport.h"
#include "drill/DrillPlan.h"

namespace tessaly {

// Why the drill of `recording` ("" none open) over `plan` cannot be exported; "" when it can.
std::string drillExportProblem(const std::string& recording, const std::vector<DrillStep>& plan);

// The folder and the file name offered for the drill of `recording` with scheme `scheme`:
// beside the recording, "<its stem>-<scheme>.mp3".
struct DrillFileOffer {
  std::string folder;
  std::string name;
};
DrillFileOffer drillFileOffer(const std::string& recording, const std::string& scheme);

// The question about the files an export to `outPath` would write over or take (`inTheWay`,
// drill/DrillFiles.h), but for `outPath` itself, which the file dialog has asked about; ""
// when there are none.
std::string drillInTheWayQuestion(const std::string& outPath, const std::vector<std::string>& inTheWay);

// What the learner is told of a finished export to `outPath`.
std::string drillExportReport(const DrillExportState& state, const std::string& outPath);

}  // namespace tessaly
