// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Alignment.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace tessaly {

namespace {

// The way back of one cell: a step, or a run of the reference (kReferenceRun + units) or
// of the dictation (kDictationRun + units).
enum : unsigned char { kDiagonal, kUp, kLeft, kReferenceRun = 8, kDictationRun = 16 };
constexpr std::size_t kRows = 5;  // a run reaches four rows back

// The exact alignment of reference [i0, i1) against dictation [j0, j1).
class Block {
 public:
  Block(const AlignInput& in, std::size_t i0, std::size_t i1, std::size_t j0, std::size_t j1)
      : in_(in), i0_(i0), j0_(j0), n_(i1 - i0), m_(j1 - j0) {}

  static std::size_t cells(std::size_t n, std::size_t m) { return (n + 1) * (m + 1); }

  // Fills the table; endCost[i] is the cost of the whole dictation stretch against the
  // reference stretch's first i units.
  void fill() {
    way_.assign((n_ + 1) * (m_ + 1), kDiagonal);
    endCost_.assign(n_ + 1, 0);
    std::vector<std::vector<int>> rows(kRows, std::vector<int>(m_ + 1));
    for (std::size_t j = 0; j <= m_; ++j) {
      rows[0][j] = static_cast<int>(j);
      way_[j] = kLeft;
    }
    endCost_[0] = static_cast<int>(m_);
    const bool runs = !in_.referenceRuns.empty() || !in_.dictationRuns.empty();
    for (std::size_t i = 1; i <= n_; ++i) {
      const std::vector<int>& previous = rows[(i - 1) % kRows];
      std::vector<int>& current = rows[i % kRows];
      current[0] = static_cast<int>(i);
      way_[i * (m_ + 1)] = kUp;
      // Raw pointers: the byte stores would otherwise make the compiler reload every vector.
      unsigned char* const wayRow = &way_[i * (m_ + 1)];
      const int* const above = previous.data();
      int* const here = current.data();
      const int* const written = in_.dictation.data() + j0_;
      const int unit = in_.reference[i0_ + i - 1];
      // One row; instantiated without runs too, so the usual case stays a tight loop.
      const auto row = [&]<bool kRuns>() {
        for (std::size_t j = 1; j <= m_; ++j) {
          const int diagonal = above[j - 1] + (unit == written[j - 1] ? 0 : 1);
          const int up = above[j] + 1;       // a reference unit missing
          const int left = here[j - 1] + 1;  // a unit too many
          int best = diagonal;
          unsigned char from = kDiagonal;
          if (up < best) best = up, from = kUp;
          if (left < best) best = left, from = kLeft;
          if constexpr (kRuns) {  // the same words written as several units on one side
            if (!in_.referenceRuns.empty())
              for (const Run& run : in_.referenceRuns[i0_ + i]) {
                if (static_cast<std::size_t>(run.units) > i) continue;  // begins before this stretch
                const int cost = rows[(i - static_cast<std::size_t>(run.units)) % kRows][j - 1];
                if (run.id == written[j - 1] && cost < best)
                  best = cost, from = static_cast<unsigned char>(kReferenceRun + run.units);
              }
            if (!in_.dictationRuns.empty())
              for (const Run& run : in_.dictationRuns[j0_ + j]) {
                if (static_cast<std::size_t>(run.units) > j) continue;
                const int cost = above[j - static_cast<std::size_t>(run.units)];
                if (run.id == unit && cost < best)
                  best = cost, from = static_cast<unsigned char>(kDictationRun + run.units);
              }
          }
          here[j] = best;
          wayRow[j] = from;
        }
      };
      if (runs) row.template operator()<true>();
      else row.template operator()<false>();
      endCost_[i] = current[m_];
    }
  }

  const std::vector<int>& endCost() const { return endCost_; }

  // The steps from the stretch's start to (reference i0 + iEnd, its dictation's end), in
  // order, appended to `steps`.
  void traceback(std::size_t iEnd, std::vector<Step>& steps) const {
    const std::size_t first = steps.size();
    for (std::size_t i = iEnd, j = m_; i > 0 || j > 0;) {
      const unsigned char from = way_[i * (m_ + 1) + j];
      Step step;
      if (i > 0 && j > 0 && from >= kReferenceRun) {
        const bool dictationRun = from >= kDictationRun;
        const int units = from - (dictationRun ? kDictationRun : kReferenceRun);
        step.kind = dictationRun ? StepKind::DictationRun : StepKind::ReferenceRun;
        step.referenceUnits = dictationRun ? 1 : units;
        step.dictationUnits = dictationRun ? units : 1;
        i -= static_cast<std::size_t>(step.referenceUnits);
        j -= static_cast<std::size_t>(step.dictationUnits);
        step.reference = static_cast<int>(i0_ + i);
        step.dictation = static_cast<int>(j0_ + j);
      } else if (i > 0 && j > 0 && from == kDiagonal) {
        step = {StepKind::Diagonal, static_cast<int>(i0_ + --i), static_cast<int>(j0_ + --j), 1, 1};
      } else if (i > 0 && (j == 0 || from == kUp)) {
        step = {StepKind::Deletion, static_cast<int>(i0_ + --i), -1, 1, 0};
      } else {
        step = {StepKind::Insertion, -1, static_cast<int>(j0_ + --j), 0, 1};
      }
      steps.push_back(step);
    }
    std::reverse(steps.begin() + static_cast<std::ptrdiff_t>(first), steps.end());
  }

 private:
  const AlignInput& in_;
  std::size_t i0_, j0_, n_, m_;
  std::vector<unsigned char> way_;
  std::vector<int> endCost_;
};

struct Anchor {
  std::size_t i = 0, j = 0;  // kAnchorUnits equal units from here in each text
};

// Stretches found exactly once in each text, the longest chain of them in the same order in
// both, none overlapping the one before.
std::vector<Anchor> anchorsOf(const std::vector<int>& r, const std::vector<int>& d) {
  if (r.size() < kAnchorUnits || d.size() < kAnchorUnits) return {};
  const auto hashAt = [](const std::vector<int>& units, std::size_t at) {
    std::uint64_t h = 1469598103934665603ULL;
    for (std::size_t k = 0; k < kAnchorUnits; ++k) h = (h ^ static_cast<std::uint64_t>(units[at + k])) * 1099511628211ULL;
    return h;
  };
  // Where each stretch of the reference lies; SIZE_MAX once seen twice.
  std::unordered_map<std::uint64_t, std::size_t> inReference, inDictation;
  const auto index = [&](const std::vector<int>& units, std::unordered_map<std::uint64_t, std::size_t>& where) {
    where.reserve(units.size());
    for (std::size_t at = 0; at + kAnchorUnits <= units.size(); ++at) {
      auto [it, fresh] = where.try_emplace(hashAt(units, at), at);
      if (!fresh) it->second = SIZE_MAX;
    }
  };
  index(r, inReference);
  index(d, inDictation);
  std::vector<Anchor> candidates;
  for (std::size_t i = 0; i + kAnchorUnits <= r.size(); ++i) {
    const auto a = inReference.find(hashAt(r, i));
    if (a == inReference.end() || a->second != i) continue;
    const auto b = inDictation.find(hashAt(r, i));
    if (b == inDictation.end() || b->second == SIZE_MAX) continue;
    if (!std::equal(r.begin() + static_cast<std::ptrdiff_t>(i), r.begin() + static_cast<std::ptrdiff_t>(i + kAnchorUnits),
                    d.begin() + static_cast<std::ptrdiff_t>(b->second)))
      continue;  // two stretches with one hash
    candidates.push_back({i, b->second});
  }
  // The longest chain increasing in both (by j, the candidates being in order of i).
  std::vector<std::size_t> tails, previous(candidates.size(), SIZE_MAX);
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    const auto at = std::lower_bound(tails.begin(), tails.end(), candidates[k].j,
                                     [&](std::size_t t, std::size_t j) { return candidates[t].j < j; });
    if (at != tails.begin()) previous[k] = *(at - 1);
    if (at == tails.end()) tails.push_back(k);
    else *at = k;
  }
  std::vector<Anchor> chain;
  for (std::size_t k = tails.empty() ? SIZE_MAX : tails.back(); k != SIZE_MAX; k = previous[k])
    chain.push_back(candidates[k]);
  std::reverse(chain.begin(), chain.end());
  std::vector<Anchor> kept;
  for (const Anchor& a : chain)
    if (kept.empty() || (a.i >= kept.back().i + kAnchorUnits && a.j >= kept.back().j + kAnchorUnits)) kept.push_back(a);
  return kept;
}

}  // namespace

Aligned align(const AlignInput& in, const ChooseEnd& chooseEnd) {
  const std::size_t n = in.reference.size(), m = in.dictation.size();
  Aligned out;
  out.steps.reserve(n + m);  // at most one step a unit of either text
  std::vector<Anchor> anchors;
  if (Block::cells(n, m) > kWholeTableCells) anchors = anchorsOf(in.reference, in.dictation);
  // The stretches between anchors, then the last one, whose end is chosen.
  std::size_t i0 = 0, j0 = 0;
  for (const Anchor& a : anchors) {
    if (Block::cells(a.i - i0, a.j - j0) > kStretchCells) return {{}, 0, true};
    Block block(in, i0, a.i, j0, a.j);
    block.fill();
    block.traceback(a.i - i0, out.steps);
    for (std::size_t k = 0; k < kAnchorUnits; ++k)
      out.steps.push_back({StepKind::Diagonal, static_cast<int>(a.i + k), static_cast<int>(a.j + k), 1, 1});
    i0 = a.i + kAnchorUnits;
    j0 = a.j + kAnchorUnits;
  }
  if (Block::cells(n - i0, m - j0) > std::max(kStretchCells, kWholeTableCells)) return {{}, 0, true};
  Block last(in, i0, n, j0, m);
  last.fill();
  std::size_t end = n;
  if (chooseEnd) end = std::clamp(chooseEnd(last.endCost(), i0), i0, n);
  last.traceback(end - i0, out.steps);
  out.referenceEnd = end;
  return out;
}

}  // namespace tessaly
