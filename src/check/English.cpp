// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/English.h"

#include <algorithm>
#include <fstream>

namespace tessaly {

namespace {

constexpr std::string_view kUnits[] = {"zero",     "one",     "two",     "three",     "four",     "five",    "six",
                                       "seven",    "eight",   "nine",    "ten",       "eleven",   "twelve",  "thirteen",
                                       "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
constexpr std::string_view kTens[] = {"twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};

// 0–19 for a unit or teen word, else -1.
int unitValue(std::string_view w) {
  const auto it = std::find(std::begin(kUnits), std::end(kUnits), w);
  return it == std::end(kUnits) ? -1 : static_cast<int>(it - std::begin(kUnits));
}

// 20–90 for a tens word, else -1.
int tensValue(std::string_view w) {
  const auto it = std::find(std::begin(kTens), std::end(kTens), w);
  return it == std::end(kTens) ? -1 : 20 + 10 * static_cast<int>(it - std::begin(kTens));
}

long long multiplierValue(std::string_view w) {
  return w == "hundred" ? 100 : w == "thousand" ? 1000 : w == "million" ? 1000000 : w == "billion" ? 1000000000 : 0;
}

// A contraction's long forms, each with the contraction they are the same words as.
struct LongForm {
  std::string_view words;
  std::string_view contraction;
};
constexpr LongForm kLongForms[] = {
    {"do not", "don't"},       {"does not", "doesn't"},  {"did not", "didn't"},     {"is not", "isn't"},
    {"are not", "aren't"},     {"was not", "wasn't"},    {"were not", "weren't"},   {"can not", "can't"},
    {"could not", "couldn't"}, {"will not", "won't"},    {"would not", "wouldn't"}, {"should not", "shouldn't"},
    {"have not", "haven't"},   {"has not", "hasn't"},    {"had not", "hadn't"},     {"must not", "mustn't"},
    {"need not", "needn't"},   {"i am", "i'm"},          {"you are", "you're"},     {"we are", "we're"},
    {"they are", "they're"},   {"he is", "he's"},        {"he has", "he's"},        {"she is", "she's"},
    {"she has", "she's"},      {"it is", "it's"},        {"it has", "it's"},        {"that is", "that's"},
    {"there is", "there's"},   {"what is", "what's"},    {"where is", "where's"},   {"who is", "who's"},
    {"here is", "here's"},     {"let us", "let's"},      {"i have", "i've"},        {"you have", "you've"},
    {"we have", "we've"},      {"they have", "they've"}, {"i will", "i'll"},        {"you will", "you'll"},
    {"he will", "he'll"},      {"she will", "she'll"},   {"we will", "we'll"},      {"they will", "they'll"},
    {"it will", "it'll"},      {"i would", "i'd"},       {"i had", "i'd"},          {"you would", "you'd"},
    {"he would", "he'd"},      {"she would", "she'd"},   {"we would", "we'd"},      {"they would", "they'd"},
};

bool allLetters(std::string_view w) {
  return !w.empty() && std::all_of(w.begin(), w.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

}  // namespace

bool SpellingVariants::load(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) return false;
  std::string british, american;
  while (in >> british >> american) add(std::move(british), std::move(american));
  return true;
}

void SpellingVariants::add(std::string british, std::string american) {
  toAmerican_.emplace(std::move(british), std::move(american));
}

std::string_view SpellingVariants::american(std::string_view word) const {
  const auto it = toAmerican_.find(std::string(word));
  return it == toAmerican_.end() ? word : std::string_view(it->second);
}

std::optional<long long> numberOfWords(const std::vector<std::string_view>& words) {
  long long total = 0, current = 0;
  int smalls = 0;          // numbers below 100 read
  bool lastSmall = false;  // the word before was (the end of) a number below 100
  bool afterMultiplier = false;
  long long firstSmall = 0, secondSmall = 0;
  for (std::size_t k = 0; k < words.size(); ++k) {
    const std::string_view w = words[k];
    int small = unitValue(w);
    if (const int tens = tensValue(w); tens >= 0) {
      small = tens;
      if (k + 1 < words.size()) {
        const int unit = unitValue(words[k + 1]);
        if (unit >= 1 && unit <= 9) {
          small += unit;
          ++k;
        }
      }
    }
    if (small >= 0) {
      ++smalls;
      (smalls == 1 ? firstSmall : secondSmall) = small;
      if (lastSmall) {
        // Two numbers side by side: a year ("nineteen ninety"), and nothing else may follow.
        if (smalls != 2 || k + 1 != words.size() || firstSmall < 10 || secondSmall < 10 || total != 0) return std::nullopt;
        return firstSmall * 100 + secondSmall;
      }
      current += small;
      lastSmall = true;
      afterMultiplier = false;
      continue;
    }
    if (const long long m = multiplierValue(w)) {
      if (current == 0) return std::nullopt;
      if (m == 100) {
        if (current % 100 != current) return std::nullopt;
        current *= 100;
      } else {
        total += current * m;
        current = 0;
      }
      lastSmall = false;
      afterMultiplier = true;
      continue;
    }
    // "one hundred and five": "and" only between a multiplier and a number.
    if (w == "and" && afterMultiplier && k + 1 < words.size() &&
        (unitValue(words[k + 1]) >= 0 || tensValue(words[k + 1]) >= 0)) {
      afterMultiplier = false;
      continue;
    }
    return std::nullopt;
  }
  if (words.empty() || smalls == 0) return std::nullopt;
  return total + current;
}

std::string canonicalWord(std::string_view word, const SpellingVariants* spellings) {
  if (!word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    // Digits as their value, but a code such as "007" stays as written.
    if (word.size() <= 15 && (word.size() == 1 || word[0] != '0')) return "#" + std::string(word);
    return std::string(word);
  }
  if (const auto value = numberOfWords({word})) return "#" + std::to_string(*value);
  if (word == "cannot") return "can't";
  if (spellings) return std::string(spellings->american(word));
  return std::string(word);
}

std::optional<std::string> canonicalRun(const std::vector<std::string_view>& words) {
  if (words.size() < 2 || words.size() > 4) return std::nullopt;
  if (const auto value = numberOfWords(words)) return "#" + std::to_string(*value);
  if (words.size() != 2) return std::nullopt;
  std::string pair = std::string(words[0]) + " " + std::string(words[1]);
  for (const LongForm& f : kLongForms)
    if (f.words == pair) return std::string(f.contraction);
  if (allLetters(words[0]) && allLetters(words[1])) return std::string(words[0]) + std::string(words[1]);
  return std::nullopt;
}

}  // namespace tessaly
