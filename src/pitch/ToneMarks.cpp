// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/ToneMarks.h"

#include <string_view>

#include "check/Check.h"

namespace tessaly::pitch {

std::vector<ToneMark> toneMarks(const std::string& text, const ReadingTable& readings,
                                const std::vector<align::Span>& units, double lengthMs) {
  const std::vector<Unit> all = unitsOf(text);
  const bool timed = !all.empty() && units.size() == all.size();
  std::vector<ToneMark> marks;
  // Each run of characters written together is read as a whole, so a word's reading holds.
  for (std::size_t from = 0; from < all.size();) {
    if (!all[from].han) {
      ++from;
      continue;
    }
    std::size_t to = from + 1;
    while (to < all.size() && all[to].han && all[to].begin == all[to - 1].end) ++to;
    std::vector<std::string_view> run;
    for (std::size_t u = from; u < to; ++u)
      run.push_back(std::string_view(text).substr(all[u].begin, all[u].end - all[u].begin));
    const auto read = readings.readingsInContext(run);
    for (std::size_t u = from; u < to; ++u) {
      ToneMark mark;
      mark.character = std::string(run[u - from]);
      mark.unit = static_cast<int>(u);
      if (!read[u - from].empty()) {
        mark.tone = read[u - from].front().tone;
        mark.pinyin = pinyinOf(read[u - from].front());
      } else {
        mark.tone = 0;
      }
      mark.timed = timed;
      if (timed) {
        mark.startMs = units[u].startMs;
        mark.endMs = units[u].endMs;
      } else {
        mark.startMs = lengthMs * static_cast<double>(u) / static_cast<double>(all.size());
        mark.endMs = lengthMs * static_cast<double>(u + 1) / static_cast<double>(all.size());
      }
      marks.push_back(std::move(mark));
    }
    from = to;
  }
  return marks;
}

}  // namespace tessaly::pitch
