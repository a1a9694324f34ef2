// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/engine/UnitAligner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "align/Align.h"
#include "align/UnitCache.h"
#include "align/UnitTiming.h"
#include "audio/Decoder.h"
#include "audio/Speech.h"
#include "check/Check.h"
#include "text/FileIdentity.h"
#include "text/TextFile.h"
#include "text/UserFolders.h"

namespace tessaly::align {

using audio::Decoder;
using audio::speak;
using audio::Spoken;
using audio::SpokenWord;

namespace {

namespace fs = std::filesystem;

constexpr int kWordsPerMinute = 175;   // the synthesiser's speed, before it is matched to the recording's
constexpr double kPaceMatched = 1.12;  // a recording this much longer or shorter is spoken again

// A rendering of a sentence by the synthesiser: its units' spans and its features.
struct Rendering {
  std::vector<align::Span> spans;
  align::Features features;
};

// `units` spoken at `wordsPerMinute`; no spans when nothing could be spoken.
Rendering render(const std::vector<Unit>& units, bool han, int wordsPerMinute) {
  Rendering out;
  std::vector<std::string> texts;
  for (const Unit& unit : units) texts.push_back(unit.text);
  const SpokenUnits spokenUnits = spokenUnitsOf(texts);
  const Spoken spoken = speak(spokenUnits.text, han ? "cmn-latn-pinyin" : "en-us", wordsPerMinute);
  std::vector<WordEvent> words;
  for (const SpokenWord& word : spoken.words) words.push_back({word.textPosition, word.startMs});
  out.spans = unitSpansOf(spokenUnits, words, spoken.samples, spoken.sampleRate);
  if (out.spans.empty()) return out;  // nothing could be spoken
  std::vector<float> synthesis(spoken.samples.size());
  std::transform(spoken.samples.begin(), spoken.samples.end(), synthesis.begin(),
                 [](short s) { return static_cast<float>(s) / 32768.0f; });
  out.features = align::featuresOf(synthesis.data(), synthesis.size(), spoken.sampleRate);
  return out;
}

// One sentence's units in the recording; empty when it has none or cannot be spoken. `pace`:
// the synthesiser's words a minute, first the pace the sentence before was matched at (a
// lesson's speaker keeps a pace), then this sentence's.
std::vector<UnitSpan> alignSentence(Decoder& decoder, const Sentence& sentence, int index, int& pace) {
  std::vector<UnitSpan> found;
  if (!sentence.text) return found;
  const std::vector<Unit> units = unitsOf(*sentence.text);
  if (units.empty()) return found;
  const bool han = std::any_of(units.begin(), units.end(), [](const Unit& u) { return u.han; });
  Rendering synthesis = render(units, han, pace);
  if (synthesis.spans.empty()) return found;
  // The recording's stretch, mono.
  const int rate = decoder.info().sampleRate;
  const std::vector<float> mono = readMono(decoder, sentence.startMs, sentence.endMs);
  if (mono.empty()) return found;
  const align::Features recording = align::featuresOf(mono.data(), mono.size(), rate);
  // A recording spoken much slower or faster than the synthesis is warped onto one spoken at
  // its own pace, so the warp follows its syllables rather than runs over them.
  const double ratio = align::speechMs(recording) /
                       std::max(1.0, synthesis.spans.back().endMs - synthesis.spans.front().startMs);
  if (ratio > kPaceMatched || ratio < 1 / kPaceMatched) {
    const int matched = std::clamp(static_cast<int>(std::lround(pace / ratio)), 80, 400);
    if (Rendering again = render(units, han, matched); !again.spans.empty()) {
      synthesis = std::move(again);
      pace = matched;
    }
  }
  const auto times = align::carryUnits(synthesis.spans, synthesis.features, recording, han);
  for (std::size_t u = 0; u < times.size(); ++u)
    found.push_back({index, static_cast<int>(u), sentence.startMs + times[u].startMs, sentence.startMs + times[u].endMs,
                     times[u].confidence, units[u].text});
  return found;
}

}  // namespace

std::vector<UnitSpan> alignUnits(const std::string& recording, const std::vector<Sentence>& sentences,
                                 const std::atomic<bool>* cancel,
                                 const std::function<void(const std::vector<UnitSpan>&, double)>& progress) {
  std::vector<UnitSpan> all;
  auto decoder = Decoder::open(recording, cancel, nullptr);
  if (!decoder) return all;
  int pace = kWordsPerMinute;
  for (std::size_t i = 0; i < sentences.size(); ++i) {
    if (cancel && cancel->load()) break;
    std::vector<UnitSpan> units = alignSentence(*decoder, sentences[i], static_cast<int>(i), pace);
    if (progress) progress(units, static_cast<double>(i + 1) / static_cast<double>(sentences.size()));
    all.insert(all.end(), units.begin(), units.end());
  }
  return all;
}

std::vector<UnitSpan> cachedUnits(const std::string& recording, const std::vector<Sentence>& sentences,
                                  const std::string& cacheFolder, const std::atomic<bool>* cancel,
                                  const std::function<void(const std::vector<UnitSpan>&, double)>& progress) {
  if (cacheFolder.empty()) return alignUnits(recording, sentences, cancel, progress);
  const RecordingIdentity identity = identityOf(recording);
  if (!identity.known()) return {};
  const fs::path file = fs::path(cacheFolder) / unitCacheFileName(identity.hash);
  const std::string key = unitCacheKey(identity.size, identity.hash, sentences);
  std::vector<int> unitsPerSentence;  // what the aligner makes of each: all its units, or none
  for (const Sentence& s : sentences) unitsPerSentence.push_back(s.text ? static_cast<int>(unitsOf(*s.text).size()) : 0);
  if (std::string text; readFileBytes(file, text).ok)
    if (auto units = parseUnitCache(text, key, unitsPerSentence)) {
      if (progress) progress(*units, 1.0);
      return std::move(*units);
    }
  std::vector<UnitSpan> units = alignUnits(recording, sentences, cancel, progress);
  if (cancel && cancel->load()) return units;
  std::error_code error;
  fs::create_directories(cacheFolder, error);
  // A write that fails (a full disk) leaves what was there; it is made again next time.
  (void)writeFileAtomically(file, unitCacheText(key, units));
  return units;
}

std::string defaultCacheFolder() { return (userFolders().cache / "tessaly").string(); }

}  // namespace tessaly::align
