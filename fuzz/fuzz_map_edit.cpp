// SPDX-License-Identifier: GPL-3.0-or-later
// Any map corrected by any steps, at any indices and times (NaN, infinities, far past the
// end): never a crash; after every step the map in order, each sentence within the recording,
// ending after it starts and no later than the next starts; no step makes a sentence shorter
// than kShortestSentenceMs (those the map came with shorter never get shorter); a refused step
// changes nothing and says why; an undo is done again by a redo; and the saved .lrc reads back
// as the same sentences.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "sentences/MapEdit.h"
#include "sentences/MapSave.h"

namespace {

using tessaly::Sentence;

// The bytes read one after another; zeros once they run out.
struct Bytes {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
  bool more() const { return at < size; }
  std::uint8_t byte() { return at < size ? data[at++] : 0; }
  std::uint32_t u16() {
    const std::uint32_t high = byte();
    return high << 8 | byte();
  }
  std::uint32_t u32() {
    std::uint32_t v = 0;
    for (int k = 0; k < 4; ++k) {
      v <<= 8;
      v |= byte();
    }
    return v;
  }
};

int indexFrom(Bytes& in, std::size_t size) {
  const std::uint8_t b = in.byte();
  switch (b) {
    case 255: return std::numeric_limits<int>::max();
    case 254: return std::numeric_limits<int>::min();
    case 253: return static_cast<int>(size);
    case 252: return -1;
    default: return size == 0 ? b : static_cast<int>(b % (size + 1));
  }
}

double timeFrom(Bytes& in, std::int32_t lengthMs) {
  const std::uint8_t kind = in.byte();
  const std::uint32_t raw = in.u32();
  switch (kind % 8) {
    case 0: return std::numeric_limits<double>::quiet_NaN();
    case 1: return std::numeric_limits<double>::infinity() * (raw & 1 ? 1 : -1);
    case 2: {
      double any = 0;
      const std::uint64_t bits = std::uint64_t{raw} << 32 | in.u32();
      std::memcpy(&any, &bits, sizeof any);
      return any;
    }
    case 3: return static_cast<std::int32_t>(raw);
    default: return lengthMs > 0 ? raw % (static_cast<std::uint32_t>(lengthMs) + 1000) : raw % 100000;
  }
}

const char* const kTexts[] = {nullptr, "你好。", "Hello, world. Again", "", "[x] y", "今天天气很好。", "a", "  ", "……"};

void check(const tessaly::MapEdit& edit, std::size_t shortAtStart, std::int32_t shortestAtStart) {
  const std::vector<Sentence>& map = edit.sentences();
  const std::int64_t end = edit.lengthMs() > 0 ? edit.lengthMs() : std::numeric_limits<std::int32_t>::max();
  std::size_t shortOnes = 0;
  for (std::size_t i = 0; i < map.size(); ++i) {
    const Sentence& s = map[i];
    if (s.startMs < 0 || s.endMs <= s.startMs || s.endMs > end) std::abort();
    if (i + 1 < map.size() && s.endMs > map[i + 1].startMs) std::abort();
    if (s.text && s.text->empty()) std::abort();
    if (s.endMs - s.startMs < tessaly::kShortestSentenceMs) {
      ++shortOnes;
      if (s.endMs - s.startMs < shortestAtStart) std::abort();
    }
  }
  if (shortOnes > shortAtStart) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in{data, size};
  const std::int32_t lengthMs = static_cast<std::int32_t>(in.u16() * 37);
  std::vector<Sentence> given(in.byte() % 24);
  std::int32_t at = 0;
  for (Sentence& s : given) {
    at += static_cast<std::int32_t>(in.u16()) - 2000;  // now and then backwards: a bad map
    s.startMs = at;
    s.endMs = at + in.byte() * 20;
    const char* text = kTexts[in.byte() % std::size(kTexts)];
    if (text) s.text = text;
  }
  tessaly::MapEdit edit(std::move(given), lengthMs);
  std::size_t shortAtStart = 0;
  std::int32_t shortestAtStart = tessaly::kShortestSentenceMs;
  for (const Sentence& s : edit.sentences()) {
    if (s.endMs - s.startMs >= tessaly::kShortestSentenceMs) continue;
    ++shortAtStart;
    shortestAtStart = std::min(shortestAtStart, s.endMs - s.startMs);
  }
  check(edit, shortAtStart, shortestAtStart);

  for (int steps = 0; steps < 64 && in.more(); ++steps) {
    const std::vector<Sentence> before = edit.sentences();
    const std::uint8_t op = in.byte() % 6;
    const int i = indexFrom(in, before.size());
    tessaly::MapEditResult result;
    switch (op) {
      case 0: result = edit.moveStart(i, timeFrom(in, lengthMs)); break;
      case 1: {
        std::vector<tessaly::align::UnitSpan> spans;
        for (int u = in.byte() % 4; u > 0; --u) spans.push_back({i, in.byte() % 8 - 1, timeFrom(in, lengthMs), 0, 1, ""});
        result = edit.split(i, timeFrom(in, lengthMs), spans);
        break;
      }
      case 2: result = edit.join(i); break;
      case 3: {
        const char* text = kTexts[in.byte() % std::size(kTexts)];
        result = edit.editText(i, text ? text : "\r\n");
        break;
      }
      case 4: {
        result = edit.undo();
        if (result.ok) {
          const std::vector<Sentence> undone = edit.sentences();
          if (!edit.redo().ok || edit.sentences() != before || !edit.undo().ok || edit.sentences() != undone) std::abort();
        }
        break;
      }
      default: result = edit.redo(); break;
    }
    if (!result.ok && (result.words.empty() || edit.sentences() != before)) std::abort();
    check(edit, shortAtStart, shortestAtStart);
  }

  // Saved and read back: the same sentences and texts, to the 10 ms the file keeps, when no
  // two starts fall within the same 10 ms.
  const std::vector<Sentence>& map = edit.sentences();
  bool apart = !map.empty() && lengthMs > 0;
  for (std::size_t i = 0; i + 1 < map.size(); ++i) apart = apart && map[i + 1].startMs / 10 != map[i].startMs / 10;
  if (apart) {
    const std::vector<Sentence> read = tessaly::readLrc(tessaly::mapLrcText("t", map, lengthMs), lengthMs);
    if (read.size() != map.size()) std::abort();
    for (std::size_t i = 0; i < map.size(); ++i)
      if (read[i].text != map[i].text || read[i].startMs != map[i].startMs / 10 * 10) std::abort();
    const Sentence& last = map.back();
    if (last.endMs - last.startMs >= 20 && read.back().endMs != last.endMs && read.back().endMs != last.endMs / 10 * 10)
      std::abort();
  }
  return 0;
}
