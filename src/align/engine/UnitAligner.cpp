// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/engine/UnitAligner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <sstream>

#include "align/Align.h"
#include "audio/Decoder.h"
#include "audio/Speech.h"
#include "check/Check.h"
#include "text/FileIdentity.h"
#include "text/Fnv.h"
#include "text/TextFile.h"
#include "text/UserFolders.h"

namespace tessaly::align {

using audio::Decoder;
using audio::speak;
using audio::Spoken;
using audio::SpokenWord;

namespace {

namespace fs = std::filesystem;

constexpr int kQuiet = 300;  // of 32767: below this a synthesised sample is silence
// The cache's format and the aligner's version: times made by an older aligner are made again.
constexpr const char* kCacheHeader = "tessaly-units 3";
constexpr int kWordsPerMinute = 175;   // the synthesiser's speed, before it is matched to the recording's
constexpr double kPaceMatched = 1.12;  // a recording this much longer or shorter is spoken again

int codePoints(const std::string& utf8) {
  int n = 0;
  for (const unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

// A rendering of a sentence by the synthesiser: its units' spans and its features.
struct Rendering {
  std::vector<align::Span> spans;
  align::Features features;
};

// `units` spoken at `wordsPerMinute`; no spans when nothing could be spoken.
Rendering render(const std::vector<Unit>& units, bool han, int wordsPerMinute) {
  Rendering out;
  // The units apart by spaces, each a word to the synthesiser, so each has its own event.
  std::string text;
  std::vector<int> positions;
  for (const Unit& unit : units) {
    if (!text.empty()) text += ' ';
    positions.push_back(codePoints(text) + 1);
    text += unit.text;
  }
  const Spoken spoken = speak(text, han ? "cmn-latn-pinyin" : "en-us", wordsPerMinute);
  if (spoken.sampleRate == 0 || spoken.samples.empty()) return out;
  std::size_t last = spoken.samples.size();
  while (last > 0 && std::abs(spoken.samples[last - 1]) < kQuiet) --last;
  if (spoken.words.empty() || last == 0) return out;  // nothing could be spoken
  // Each unit's start from its word's event; a unit the synthesiser ran into the one before
  // ("in the" is one word to it) gets its share of that word by its letters.
  std::vector<double> starts(units.size(), -1);
  for (const SpokenWord& word : spoken.words)
    for (std::size_t u = 0; u < units.size(); ++u)
      if (positions[u] == word.textPosition) starts[u] = word.startMs;
  // The first word's event comes with the synthesiser's lead-in: it starts where its sound does.
  std::size_t onset = 0;
  while (onset < last && std::abs(spoken.samples[onset]) < kQuiet) ++onset;
  starts[0] = std::max(starts[0] < 0 ? spoken.words.front().startMs : starts[0], onset * 1000.0 / spoken.sampleRate);
  const double endMs = last * 1000.0 / spoken.sampleRate;
  for (std::size_t u = 1; u < units.size(); ++u) {
    if (starts[u] >= 0) continue;
    std::size_t next = u;
    while (next < units.size() && starts[next] < 0) ++next;
    const double from = starts[u - 1], to = next < units.size() ? starts[next] : endMs;
    const int fromChar = positions[u - 1], toChar = next < units.size() ? positions[next] : codePoints(text) + 1;
    starts[u] = from + (to - from) * (positions[u] - fromChar) / std::max(1, toChar - fromChar);
  }
  for (double start : starts) out.spans.push_back({start, 0});
  for (std::size_t u = 0; u < out.spans.size(); ++u)
    out.spans[u].endMs = u + 1 < out.spans.size() ? out.spans[u + 1].startMs : endMs;
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

// What the cache file must say for these sentences of this recording.
std::string cacheKey(const RecordingIdentity& identity, const std::vector<Sentence>& sentences) {
  std::string all;
  for (const Sentence& s : sentences)
    all += std::to_string(s.startMs) + "," + std::to_string(s.endMs) + "," + s.text.value_or("") + "\n";
  char key[64];
  std::snprintf(key, sizeof key, " %lld %s %016llx", static_cast<long long>(identity.size), identity.hash.c_str(),
                static_cast<unsigned long long>(fnv1a64(all)));
  return std::string(kCacheHeader) + key;
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
  const fs::path file = fs::path(cacheFolder) / ("units-" + identity.hash + ".txt");
  const std::string key = cacheKey(identity, sentences);
  if (std::string text; readFileBytes(file, text).ok)
    if (auto units = parseUnitCache(text, key)) {
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

std::string unitCacheText(const std::string& key, const std::vector<UnitSpan>& units) {
  std::ostringstream body;
  body << std::setprecision(10);
  for (const UnitSpan& s : units)
    body << s.sentence << ' ' << s.unit << ' ' << s.startMs << ' ' << s.endMs << ' ' << s.confidence << ' ' << s.text
         << '\n';
  const std::string lines = body.str();
  return key + "\n" + lines + "end " + std::to_string(units.size()) + " " + std::to_string(lines.size()) + "\n";
}

std::optional<std::vector<UnitSpan>> parseUnitCache(std::string_view text, std::string_view key) {
  if (!text.starts_with(key) || text.size() <= key.size() || text[key.size()] != '\n' || !text.ends_with('\n'))
    return std::nullopt;
  const std::string_view rest = text.substr(key.size() + 1);
  const std::size_t last = rest.rfind('\n', rest.size() - 2);
  const std::size_t trailerAt = last == std::string_view::npos ? 0 : last + 1;
  const std::string_view lines = rest.substr(0, trailerAt);
  std::istringstream trailer{std::string(rest.substr(trailerAt))};
  std::string end, extra;
  std::size_t count = 0, bytes = 0;
  if (!(trailer >> end >> count >> bytes) || end != "end" || trailer >> extra || bytes != lines.size()) return std::nullopt;
  std::vector<UnitSpan> units;
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t eol = lines.find('\n', at);
    std::istringstream line{std::string(lines.substr(at, eol - at))};
    UnitSpan u;
    if (!(line >> u.sentence >> u.unit >> u.startMs >> u.endMs >> u.confidence >> u.text) || line >> extra)
      return std::nullopt;
    units.push_back(std::move(u));
    at = eol + 1;
  }
  if (units.size() != count) return std::nullopt;
  return units;
}

std::string defaultCacheFolder() { return (userFolders().cache / "tessaly").string(); }

}  // namespace tessaly::align
