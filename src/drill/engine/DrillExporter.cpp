// SPDX-License-Identifier: GPL-3.0-or-later
#include "drill/engine/DrillExporter.h"

#include "drill/engine/DrillRenderer.h"

namespace tessaly {

std::uint32_t DrillExporter::start(const std::string& recording, std::vector<DrillStep> plan, const std::string& outPath,
                                   std::vector<std::string> mayReplace) {
  const StretchEngine engine = stretch_ ? stretch_() : kDefaultStretchEngine;
  return worker_.start([recording, plan = std::move(plan), outPath, mayReplace = std::move(mayReplace), engine](
                           const std::atomic<bool>& cancel, const auto& publish) {
    const RenderedDrill done = renderDrill(
        recording, plan, outPath, [&](double share) { publish([share](DrillExportState& s) { s.share = share; }, false); },
        &cancel, mayReplace, engine);
    publish(
        [&](DrillExportState& s) {
          s.share = 1;
          s.finished = true;
          s.error = done.error;
          s.warning = done.warning;
        },
        true);
  });
}

bool DrillExporter::state(std::uint32_t serial, DrillExportState& state) const {
  return worker_.read(serial, [&](const DrillExportState& s, bool) { state = s; });
}

}  // namespace tessaly
