// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-probe --sentences FILE...: each recording's sentence map (its .lrc, .srt, .vtt or
// .ass, else the subtitles inside it, else the pauses in its sound, as the program finds
// them), one JSON line a sentence ({"file", "start_ms", "end_ms", "text" or null, "source"}),
// then one line with the count, the source, and the time the whole map took; a map from the
// subtitles inside the file names the stream ("stream": its number, "language": its tag or
// ""), and subtitles that cannot be used say why ("subtitles": the learner's words). Files
// without a map, or that cannot be read, get their summary line too (with an "error" for the
// latter); the exit status stays 0.
#include <chrono>
#include <cstdio>
#include <string>

#include "Json.h"
#include "Stretching.h"
#include "audio/Decoder.h"
#include "audio/Frames.h"
#include "sentences/SentenceMap.h"
#include "sentences/engine/EmbeddedSubtitles.h"
#include "sentences/engine/SentenceScanner.h"

namespace tessaly::bench {

int sentences(int count, char** files) {
  for (int i = 0; i < count; ++i) {
    const std::string file = files[i];
    const auto started = std::chrono::steady_clock::now();
    Failure error;
    const auto decoder = audio::Decoder::open(file, nullptr, &error);
    if (!decoder) {
      std::printf("{\"file\":%s,\"sentences\":0,\"map_ms\":0,\"error\":%s}\n", jsonString(file).c_str(),
                  jsonString(error.text()).c_str());
      continue;
    }
    const audio::SourceInfo& info = decoder->info();
    const std::int32_t length = info.lengthFrames > 0 ? audio::framesToMs(info.lengthFrames, info.sampleRate) : 0;
    SentenceMap map = loadSentenceMap(file, length);
    if (map.source == SentenceSource::None) map = subtitles::readEmbeddedSubtitles(file, length).map;
    if (map.source == SentenceSource::None) {
      map.source = SentenceSource::Silence;
      map.sentences = SentenceScanner::scan(file);
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    for (const Sentence& s : map.sentences)
      std::printf("{\"file\":%s,\"start_ms\":%d,\"end_ms\":%d,\"text\":%s,\"source\":\"%s\"}\n", jsonString(file).c_str(),
                  s.startMs, s.endMs, s.text ? jsonString(*s.text).c_str() : "null", sourceName(map.source));
    std::string chosen;
    if (map.source == SentenceSource::Embedded)
      chosen = ",\"stream\":" + std::to_string(map.stream) + ",\"language\":" + jsonString(map.language);
    if (!map.note.empty()) chosen += ",\"subtitles\":" + jsonString(map.note);
    std::printf("{\"file\":%s,\"sentences\":%zu,\"source\":\"%s\"%s,\"map_ms\":%.1f}\n", jsonString(file).c_str(),
                map.sentences.size(), sourceName(map.source), chosen.c_str(), ms);
  }
  return 0;
}

}  // namespace tessaly::bench
