// SPDX-License-Identifier: GPL-3.0-or-later
// Reading any bytes as an .lrc, an .srt, a .vtt, an .ass or a decoded subtitle event: never a crash, never more than
// kMaxSentences, and the map always sorted, each sentence ending after it starts and no later than the next one's start or
// the recording's end.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sentences/SentenceMap.h"
#include "sentences/Subtitles.h"

namespace {

void check(const std::vector<tessaly::Sentence>& map, std::int32_t length) {
  if (map.size() > tessaly::kMaxSentences) std::abort();
  for (std::size_t i = 0; i < map.size(); ++i) {
    if (map[i].startMs < 0 || map[i].endMs <= map[i].startMs) std::abort();
    if (length > 0 && map[i].endMs > length) std::abort();
    if (i + 1 < map.size() && (map[i + 1].startMs <= map[i].startMs || map[i].endMs > map[i + 1].startMs)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const std::int32_t length : {0, 60000}) {
    check(tessaly::readLrc(text, length), length);
    check(tessaly::readSrt(text, length), length);
    check(tessaly::readVtt(text, length), length);
    check(tessaly::readAss(text, length), length);
  }
  // A cleaned cue is one line.
  for (const std::string& words : {tessaly::assEventText(text), tessaly::cueText(text, tessaly::CueMarkup::WebVtt)})
    if (words.find('\n') != std::string::npos) std::abort();
  (void)tessaly::mostlyHan(text);
  return 0;
}
