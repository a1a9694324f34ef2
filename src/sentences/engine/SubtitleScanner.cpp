// SPDX-License-Identifier: GPL-3.0-or-later
#include "sentences/engine/SubtitleScanner.h"

#include "sentences/engine/EmbeddedSubtitles.h"

namespace tessaly::subtitles {

std::uint32_t SubtitleScanner::start(const std::string& location, std::int32_t lengthMs, int preferredStream) {
  return read_.start([location, lengthMs, preferredStream](const std::atomic<bool>& cancel, const auto& publish) {
    SubtitleFinding found = readEmbeddedSubtitles(location, lengthMs, preferredStream, &cancel);
    if (!cancel.load()) publish([&](SubtitleFinding& result) { result = std::move(found); }, true);
  });
}

}  // namespace tessaly::subtitles
