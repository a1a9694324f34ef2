// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/SchemeChoice.h"

#include <algorithm>

namespace tessaly {

namespace {
constexpr const char* kChosenKey = "repeat_scheme";
constexpr int kMostKeptSchemes = 50;
}  // namespace

void SchemeChoice::useSettings(UserSettings* settings) {
  settings_ = settings;
  name_ = settings_ ? settings_->get(kChosenKey).value_or("") : std::string();
}

void SchemeChoice::choose(std::string name) {
  name_ = name == builtInSchemes().front().name ? std::string() : std::move(name);
  // The plain loop leaves no line behind unless one was kept before.
  if (settings_ && (!name_.empty() || settings_->get(kChosenKey))) settings_->set(kChosenKey, name_);
}

std::vector<RepeatScheme> SchemeChoice::all() const {
  std::vector<RepeatScheme> schemes = builtInSchemes();
  const std::vector<RepeatScheme> own = kept();
  schemes.insert(schemes.end(), own.begin(), own.end());
  return schemes;
}

void SchemeChoice::keepOwn(const std::vector<RepeatScheme>& schemes) {
  if (!settings_) return;
  int n = 0;
  for (const RepeatScheme& scheme : schemes) {
    if (n == kMostKeptSchemes) break;
    const bool builtIn = std::any_of(builtInSchemes().begin(), builtInSchemes().end(),
                                     [&](const RepeatScheme& b) { return b.name == scheme.name; });
    if (!builtIn) settings_->set("scheme_" + std::to_string(++n), schemeText(scheme));
  }
  while (settings_->get("scheme_" + std::to_string(++n))) settings_->remove("scheme_" + std::to_string(n));
  if (!name_.empty() && schemeNamed(name_, kept()).name != name_) choose({});
}

std::vector<RepeatScheme> SchemeChoice::kept() const {
  std::vector<RepeatScheme> own;
  for (int n = 1; settings_ && n <= kMostKeptSchemes; ++n) {
    const auto line = settings_->get("scheme_" + std::to_string(n));
    if (!line) break;
    if (auto scheme = parseScheme(*line)) own.push_back(std::move(*scheme));
  }
  return own;
}

}  // namespace tessaly
