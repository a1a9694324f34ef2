// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/SchemeChoice.h"

#include <algorithm>
#include <limits>
#include <map>
#include <set>

namespace tessaly {

namespace {

constexpr const char* kChosenKey = "repeat_scheme";
constexpr const char* kSchemePrefix = "scheme_";

std::string schemeKey(int number) { return kSchemePrefix + std::to_string(number); }

// The number of a "scheme_<number>" key written as the program writes it; 0 for another key.
int numberOf(const std::string& key) {
  const std::string digits = key.substr(std::char_traits<char>::length(kSchemePrefix));
  if (digits.empty() || digits.size() > 9 || digits[0] == '0' ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return 0;
  return std::stoi(digits);
}

bool builtInName(const std::string& name) {
  return std::any_of(builtInSchemes().begin(), builtInSchemes().end(),
                     [&](const RepeatScheme& b) { return b.name == name; });
}

}  // namespace

void SchemeChoice::useSettings(UserSettings* settings) {
  settings_ = settings;
  ownRead_ = false;
  name_ = settings_ ? settings_->get(kChosenKey).value_or("") : std::string();
}

void SchemeChoice::choose(std::string name) {
  name_ = name == builtInSchemes().front().name ? std::string() : std::move(name);
  // The plain loop leaves no line behind unless one was kept before.
  if (settings_ && (!name_.empty() || settings_->get(kChosenKey))) settings_->set(kChosenKey, name_);
}

std::vector<RepeatScheme> SchemeChoice::all() const {
  std::vector<RepeatScheme> schemes = builtInSchemes();
  for (const Own& o : own()) schemes.push_back(o.scheme);
  return schemes;
}

const std::vector<SchemeChoice::Own>& SchemeChoice::own() const {
  if (!settings_) {
    own_.clear();
    return own_;
  }
  if (ownRead_ && ownVersion_ == settings_->version()) return own_;
  own_.clear();
  highestNumber_ = 0;
  std::set<std::string> names;
  for (const std::string& key : settings_->keysStartingWith(kSchemePrefix)) {
    const int number = numberOf(key);
    if (number == 0) continue;
    highestNumber_ = std::max(highestNumber_, number);
    auto scheme = parseScheme(settings_->get(key).value_or(""));
    if (scheme) own_.push_back({number, std::move(*scheme)});
  }
  std::sort(own_.begin(), own_.end(), [](const Own& a, const Own& b) { return a.number < b.number; });
  // A scheme named as a built-in, or as one before it, could never be chosen: its line is
  // left as it is, and not shown.
  own_.erase(
      std::remove_if(own_.begin(), own_.end(),
                     [&](const Own& o) { return builtInName(o.scheme.name) || !names.insert(o.scheme.name).second; }),
      own_.end());
  ownVersion_ = settings_->version();
  ownRead_ = true;
  return own_;
}

std::vector<RepeatScheme> SchemeChoice::kept() const {
  std::vector<RepeatScheme> schemes;
  for (const Own& o : own()) schemes.push_back(o.scheme);
  return schemes;
}

void SchemeChoice::keepOwn(const std::vector<RepeatScheme>& schemes) {
  if (!settings_) return;
  const std::vector<Own> was = own();
  int highest = highestNumber_;
  std::vector<const RepeatScheme*> mine;
  for (const RepeatScheme& scheme : schemes)
    if (!builtInName(scheme.name)) mine.push_back(&scheme);

  // The schemes as they were stay on their lines.
  std::multimap<std::string, std::size_t> unchanged;  // a line's text, and where it is in `was`
  for (std::size_t j = 0; j < was.size(); ++j) unchanged.emplace(schemeText(was[j].scheme), j);
  std::vector<int> number(mine.size(), 0);
  std::set<int> freed;  // the lines of the schemes changed or gone
  std::vector<bool> stays(was.size(), false);
  for (std::size_t i = 0; i < mine.size(); ++i)
    if (const auto it = unchanged.find(schemeText(*mine[i])); it != unchanged.end()) {
      number[i] = was[it->second].number;
      stays[it->second] = true;
      unchanged.erase(it);
    }
  std::map<std::string, int> freedNamed;  // a changed scheme's own line, by its name
  for (std::size_t j = 0; j < was.size(); ++j)
    if (!stays[j]) {
      freed.insert(was[j].number);
      freedNamed.emplace(was[j].scheme.name, was[j].number);
    }

  UserSettings::Batch batch(*settings_);
  // A changed scheme takes its own line, or another freed between its neighbours'; a new one
  // too, else a new line after all the others: the order stays the learner's.
  std::vector<int> nextNumber(mine.size() + 1, std::numeric_limits<int>::max());
  for (std::size_t i = mine.size(); i-- > 0;) nextNumber[i] = number[i] ? number[i] : nextNumber[i + 1];
  int previous = 0;
  for (std::size_t i = 0; i < mine.size(); ++i) {
    if (number[i] == 0) {
      const auto inOrder = [&](int n) { return n > previous && n < nextNumber[i + 1] && freed.count(n); };
      auto line = freed.upper_bound(previous);
      if (const auto own = freedNamed.find(mine[i]->name); own != freedNamed.end() && inOrder(own->second))
        line = freed.find(own->second);
      if (line != freed.end() && inOrder(*line)) {
        number[i] = *line;
        freed.erase(line);
      } else {
        number[i] = ++highest;
      }
      settings_->set(schemeKey(number[i]), schemeText(*mine[i]));
    }
    previous = number[i];
  }
  for (int gone : freed) settings_->remove(schemeKey(gone));
  if (!name_.empty() && schemeNamed(name_, kept()).name != name_) choose({});
}

}  // namespace tessaly
