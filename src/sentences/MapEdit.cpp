// SPDX-License-Identifier: GPL-3.0-or-later
#include "sentences/MapEdit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "check/Check.h"

namespace tessaly {

namespace {

constexpr std::int32_t kOpenEnd = std::numeric_limits<std::int32_t>::max();

const char* const kNoSuchSentence = "没有这个句子。";
const char* const kNoSuchTime = "这个时间不对。";

MapEditResult refused(const char* words) { return {false, words, 0}; }

// Line breaks and tabs as spaces, spaces (and full-width ones) off both ends; nothing left is
// no text.
std::optional<std::string> cleanText(std::string_view raw) {
  std::string text(raw);
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
  static constexpr std::string_view kWideSpace = "\u3000";
  for (bool trimmed = false; !trimmed;) {
    trimmed = true;
    if (text.starts_with(' ')) text.erase(0, 1), trimmed = false;
    else if (text.starts_with(kWideSpace)) text.erase(0, kWideSpace.size()), trimmed = false;
    if (text.ends_with(' ')) text.pop_back(), trimmed = false;
    else if (text.ends_with(kWideSpace)) text.resize(text.size() - kWideSpace.size()), trimmed = false;
  }
  if (text.empty()) return std::nullopt;
  return text;
}

// `ms` within [lower, upper], in whole milliseconds; `ms` must be finite.
std::int32_t clampMs(double ms, std::int64_t lower, std::int64_t upper) {
  return static_cast<std::int32_t>(std::llround(std::clamp(ms, static_cast<double>(lower), static_cast<double>(upper))));
}

}  // namespace

SplitText splitTextAt(const Sentence& sentence, std::int32_t atMs, const std::vector<align::UnitSpan>& spans,
                      int sentenceIndex) {
  if (!sentence.text) return {};
  const std::string& text = *sentence.text;
  const std::vector<Unit> units = unitsOf(text);
  const std::size_t n = units.size();
  if (n == 0) return {cleanText(text), std::nullopt};
  // k: the units that stay in the first sentence.
  std::size_t k = n;
  bool timed = false;
  for (const align::UnitSpan& span : spans) {
    if (sentenceIndex < 0 || span.sentence != sentenceIndex || span.unit < 0 || static_cast<std::size_t>(span.unit) >= n)
      continue;
    timed = true;
    if (span.startMs >= atMs) k = std::min(k, static_cast<std::size_t>(span.unit));
  }
  if (!timed) {
    const double length = static_cast<double>(sentence.endMs) - sentence.startMs;
    const double share = length > 0 ? (static_cast<double>(atMs) - sentence.startMs) / length : 0.5;
    k = static_cast<std::size_t>(std::llround(std::clamp(share, 0.0, 1.0) * static_cast<double>(n)));
    if (n >= 2) k = std::clamp<std::size_t>(k, 1, n - 1);
  }
  if (k == 0) return {std::nullopt, cleanText(text)};
  if (k >= n) return {cleanText(text), std::nullopt};
  // Whatever lies between the two units (punctuation, spaces) goes with the first.
  const std::size_t cut = units[k].begin;
  return {cleanText(std::string_view(text).substr(0, cut)), cleanText(std::string_view(text).substr(cut))};
}

std::optional<std::string> joinedText(const std::optional<std::string>& first, const std::optional<std::string>& second) {
  if (!first || first->empty()) return second;
  if (!second || second->empty()) return first;
  const bool latin = static_cast<unsigned char>(first->back()) < 0x80 && static_cast<unsigned char>(second->front()) < 0x80;
  return *first + (latin ? " " : "") + *second;
}

MapEdit::MapEdit(std::vector<Sentence> sentences, std::int32_t lengthMs)
    : lengthMs_(std::max(0, lengthMs)), endMs_(lengthMs > 0 ? lengthMs : kOpenEnd) {
  std::stable_sort(sentences.begin(), sentences.end(),
                   [](const Sentence& a, const Sentence& b) { return a.startMs < b.startMs; });
  sentences.erase(std::unique(sentences.begin(), sentences.end(),
                              [](const Sentence& a, const Sentence& b) { return a.startMs == b.startMs; }),
                  sentences.end());
  std::erase_if(sentences, [this](const Sentence& s) { return s.startMs < 0 || s.startMs >= endMs_; });
  if (sentences.size() > kMaxSentences) sentences.resize(kMaxSentences);
  for (std::size_t i = 0; i < sentences.size(); ++i) {
    Sentence& s = sentences[i];
    const std::int32_t next = i + 1 < sentences.size() ? sentences[i + 1].startMs : endMs_;
    s.endMs = s.endMs > s.startMs ? std::min(s.endMs, next) : next;
    if (s.text) s.text = cleanText(*s.text);
  }
  held_ = sentences.size();
  saved_ = sentences;
  history_.push_back(std::move(sentences));
}

MapEditResult MapEdit::moveStart(int i, double ms) {
  if (!valid(i)) return refused(kNoSuchSentence);
  if (!std::isfinite(ms)) return refused(kNoSuchTime);
  std::vector<Sentence> next = sentences();
  const auto at = static_cast<std::size_t>(i);
  Sentence& s = next[at];
  // The sentence before keeps its length up to the shortest (a shorter one all of it), and
  // this one the same.
  std::int64_t lower = 0;
  if (at > 0) lower = next[at - 1].startMs + std::min(kShortestSentenceMs, next[at - 1].endMs - next[at - 1].startMs);
  const std::int64_t upper = std::max(s.startMs, s.endMs - kShortestSentenceMs);
  const std::int32_t to = clampMs(ms, std::min<std::int64_t>(lower, s.startMs), upper);
  if (to == s.startMs) return {true, {}, to};
  if (at > 0) {
    Sentence& before = next[at - 1];
    if (before.endMs == s.startMs || before.endMs > to) before.endMs = to;
  }
  s.startMs = to;
  push(std::move(next));
  return {true, {}, to};
}

MapEditResult MapEdit::split(int i, double atMs, const std::vector<align::UnitSpan>& spans) {
  if (!valid(i)) return refused(kNoSuchSentence);
  if (!std::isfinite(atMs)) return refused(kNoSuchTime);
  if (sentences().size() >= kMaxSentences) return refused("句子已经太多了，不能再分开。");
  const auto at = static_cast<std::size_t>(i);
  const Sentence& s = sentences()[at];
  const std::int64_t first = std::int64_t{s.startMs} + kShortestSentenceMs,
                     last = std::int64_t{s.endMs} - kShortestSentenceMs;
  if (atMs < static_cast<double>(first) || atMs > static_cast<double>(last))
    return refused("这里离句子的开头或结尾太近，不能在这里分开。");
  const std::int32_t cut = clampMs(atMs, first, last);
  SplitText text = splitTextAt(s, cut, spans, i);
  std::vector<Sentence> next = sentences();
  const Sentence second{cut, next[at].endMs, std::move(text.after)};
  next[at].endMs = cut;
  next[at].text = std::move(text.before);
  next.insert(next.begin() + i + 1, second);
  push(std::move(next));
  return {true, {}, cut};
}

MapEditResult MapEdit::join(int i) {
  if (!valid(i)) return refused(kNoSuchSentence);
  if (!valid(i + 1)) return refused("这是最后一句，后面没有句子可以合并。");
  std::vector<Sentence> next = sentences();
  const auto at = static_cast<std::size_t>(i);
  next[at].endMs = next[at + 1].endMs;
  next[at].text = joinedText(next[at].text, next[at + 1].text);
  next.erase(next.begin() + i + 1);
  push(std::move(next));
  return {true, {}, sentences()[at].startMs};
}

MapEditResult MapEdit::editText(int i, std::string_view text) {
  if (!valid(i)) return refused(kNoSuchSentence);
  std::optional<std::string> cleaned = cleanText(text);
  const auto at = static_cast<std::size_t>(i);
  if (cleaned == sentences()[at].text) return {true, {}, sentences()[at].startMs};
  std::vector<Sentence> next = sentences();
  next[at].text = std::move(cleaned);
  push(std::move(next));
  return {true, {}, sentences()[at].startMs};
}

MapEditResult MapEdit::undo() {
  if (!canUndo()) return refused("没有可以撤销的修改。");
  --at_;
  return {true, {}, 0};
}

MapEditResult MapEdit::redo() {
  if (!canRedo()) return refused("没有可以重做的修改。");
  ++at_;
  return {true, {}, 0};
}

void MapEdit::push(std::vector<Sentence> next) {
  while (history_.size() > at_ + 1) {
    held_ -= history_.back().size();
    history_.pop_back();
  }
  held_ += next.size();
  history_.push_back(std::move(next));
  ++at_;
  while (history_.size() > 1 && (history_.size() > kEditHistorySteps + 1 || held_ > kEditHistorySentences)) {
    held_ -= history_.front().size();
    history_.pop_front();
    --at_;
  }
}

}  // namespace tessaly
