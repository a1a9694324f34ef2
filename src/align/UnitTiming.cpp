// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/UnitTiming.h"

#include <algorithm>
#include <cstdlib>

namespace tessaly::align {

namespace {

int codePoints(const std::string& utf8) {
  int n = 0;
  for (const unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace

SpokenUnits spokenUnitsOf(const std::vector<std::string>& units) {
  SpokenUnits out;
  for (const std::string& unit : units) {
    if (!out.text.empty()) out.text += ' ';
    out.positions.push_back(codePoints(out.text) + 1);
    out.text += unit;
  }
  return out;
}

std::vector<Span> unitSpansOf(const SpokenUnits& spoken, const std::vector<WordEvent>& words,
                              const std::vector<short>& samples, int rate) {
  std::vector<Span> spans;
  const std::vector<int>& positions = spoken.positions;
  if (rate <= 0 || samples.empty() || positions.empty()) return spans;
  std::size_t last = samples.size();
  while (last > 0 && std::abs(samples[last - 1]) < kQuietSample) --last;
  if (words.empty() || last == 0) return spans;  // nothing could be spoken
  const std::size_t n = positions.size();
  std::vector<double> starts(n, -1);
  for (const WordEvent& word : words)
    for (std::size_t u = 0; u < n; ++u)
      if (positions[u] == word.textPosition) starts[u] = word.startMs;
  std::size_t onset = 0;
  while (onset < last && std::abs(samples[onset]) < kQuietSample) ++onset;
  starts[0] = std::max(starts[0] < 0 ? words.front().startMs : starts[0], onset * 1000.0 / rate);
  const double endMs = last * 1000.0 / rate;
  const int textEnd = codePoints(spoken.text) + 1;
  for (std::size_t u = 1; u < n; ++u) {
    if (starts[u] >= 0) continue;
    std::size_t next = u;
    while (next < n && starts[next] < 0) ++next;
    const double from = starts[u - 1], to = next < n ? starts[next] : endMs;
    const int fromChar = positions[u - 1], toChar = next < n ? positions[next] : textEnd;
    starts[u] = from + (to - from) * (positions[u] - fromChar) / std::max(1, toChar - fromChar);
  }
  for (const double start : starts) spans.push_back({start, 0});
  for (std::size_t u = 0; u < n; ++u) spans[u].endMs = u + 1 < n ? spans[u + 1].startMs : endMs;
  return spans;
}

}  // namespace tessaly::align
