// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/UnitCache.h"

#include <cmath>
#include <iomanip>
#include <sstream>

#include "text/Fnv.h"

namespace tessaly::align {

namespace {

// The cache's format and the aligner's version: times made by an older aligner are made again.
constexpr const char* kCacheHeader = "tessaly-units 4";

// A unit as an aligner makes it, after `before` (null for the first): its sentence's units
// numbered from 0 in order, the sentences in order, times from 0 that end after they start.
bool couldBeMade(const UnitSpan& u, const UnitSpan* before) {
  if (u.sentence < 0 || u.unit < 0 || u.text.empty()) return false;
  if (!std::isfinite(u.startMs) || !std::isfinite(u.endMs) || u.startMs < 0 || u.endMs < u.startMs) return false;
  if (!std::isfinite(u.confidence) || u.confidence < 0 || u.confidence > 1) return false;
  if (before && u.sentence == before->sentence) return u.unit == before->unit + 1;
  return u.unit == 0 && (!before || u.sentence > before->sentence);
}

}  // namespace

std::string unitCacheKey(std::int64_t size, const std::string& hash, const std::vector<Sentence>& sentences) {
  std::string all;
  for (const Sentence& s : sentences)
    all += std::to_string(s.startMs) + "," + std::to_string(s.endMs) + "," + s.text.value_or("") + "\n";
  return std::string(kCacheHeader) + " " + std::to_string(size) + " " + hash + " " + fnvHex(all);
}

std::string unitCacheFileName(const std::string& hash) { return "units-" + hash + ".txt"; }

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
    if (units.size() == count) return std::nullopt;  // more lines than it counts
    const std::size_t eol = lines.find('\n', at);
    std::istringstream line{std::string(lines.substr(at, eol - at))};
    UnitSpan u;
    if (!(line >> u.sentence >> u.unit >> u.startMs >> u.endMs >> u.confidence >> u.text) || line >> extra ||
        !couldBeMade(u, units.empty() ? nullptr : &units.back()))
      return std::nullopt;
    units.push_back(std::move(u));
    at = eol + 1;
  }
  if (units.size() != count) return std::nullopt;
  return units;
}

std::optional<std::vector<UnitSpan>> parseUnitCache(std::string_view text, std::string_view key,
                                                    const std::vector<int>& unitsPerSentence) {
  std::optional<std::vector<UnitSpan>> units = parseUnitCache(text, key);
  if (!units) return units;
  // Units come in order, so a sentence is whole when its last one is numbered one short of
  // its count.
  for (std::size_t i = 0; i < units->size(); ++i) {
    const UnitSpan& u = (*units)[i];
    if (static_cast<std::size_t>(u.sentence) >= unitsPerSentence.size()) return std::nullopt;
    const bool lastOfSentence = i + 1 == units->size() || (*units)[i + 1].sentence != u.sentence;
    if (u.unit >= unitsPerSentence[static_cast<std::size_t>(u.sentence)] ||
        (lastOfSentence && u.unit + 1 != unitsPerSentence[static_cast<std::size_t>(u.sentence)]))
      return std::nullopt;
  }
  return units;
}

}  // namespace tessaly::align
