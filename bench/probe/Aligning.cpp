// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-probe --align RECORDING [REFERENCE]: where each unit of each sentence is spoken,
// one JSON line a unit ({"sentence", "unit", "start_ms", "end_ms", "confidence"}), then
// {"file", "units", "align_ms"}. The sentences are the recording's .lrc or .srt, or those of
// REFERENCE (an .lrc or .srt). No cache: every run aligns.
#include <chrono>
#include <cstdio>
#include <string>

#include "Json.h"
#include "Stretching.h"
#include "align/engine/UnitAligner.h"
#include "audio/Decoder.h"
#include "audio/Frames.h"
#include "sentences/SentenceMap.h"

namespace tessaly::bench {

int align(const std::string& file, const std::string& reference) {
  Failure error;
  const auto decoder = audio::Decoder::open(file, nullptr, &error);
  if (!decoder) {
    std::printf("{\"file\":%s,\"units\":0,\"align_ms\":0,\"error\":%s}\n", jsonString(file).c_str(),
                jsonString(error.text()).c_str());
    return 2;
  }
  const audio::SourceInfo& info = decoder->info();
  const std::int32_t length = info.lengthFrames > 0 ? audio::framesToMs(info.lengthFrames, info.sampleRate) : 0;
  const SentenceMap map = loadSentenceMap(reference.empty() ? file : reference, length);
  const auto started = std::chrono::steady_clock::now();
  const std::vector<align::UnitSpan> units = align::alignUnits(file, map.sentences);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  for (const align::UnitSpan& u : units)
    std::printf("{\"sentence\":%d,\"unit\":%d,\"text\":%s,\"start_ms\":%.0f,\"end_ms\":%.0f,\"confidence\":%.2f}\n",
                u.sentence, u.unit, jsonString(u.text).c_str(), u.startMs, u.endMs, u.confidence);
  std::printf("{\"file\":%s,\"units\":%zu,\"align_ms\":%.1f}\n", jsonString(file).c_str(), units.size(), ms);
  return 0;
}

}  // namespace tessaly::bench
