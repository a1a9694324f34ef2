// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/UserSettings.h"

#include <charconv>

namespace tessaly {

namespace {

std::string trim(std::string text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

}  // namespace

UserSettings::UserSettings(FileFolder& folder) : folder_(folder) {
  if (const auto text = folder_.read(kFileName)) values_ = parse(*text);
}

std::map<std::string, std::string> UserSettings::parse(const std::string& text) {
  std::map<std::string, std::string> values;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    const std::string line = trim(text.substr(begin, end - begin));
    begin = end + 1;
    const auto equals = line.find('=');
    if (line.empty() || line[0] == '#' || line[0] == ';' || equals == std::string::npos) continue;
    const std::string key = trim(line.substr(0, equals));
    if (!key.empty()) values[key] = trim(line.substr(equals + 1));
  }
  return values;
}

std::string UserSettings::serialise(const std::map<std::string, std::string>& values) {
  std::string text = "# Tessaly's per-user options\n";
  for (const auto& [key, value] : values) text += key + "=" + value + "\n";
  return text;
}

std::optional<std::string> UserSettings::get(const std::string& key) const {
  const auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

int UserSettings::getInt(const std::string& key, int fallback) const {
  const auto value = get(key);
  if (!value) return fallback;
  int number = 0;
  const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), number);
  return error == std::errc() && end == value->data() + value->size() ? number : fallback;
}

void UserSettings::set(const std::string& key, const std::string& value) {
  const std::string k = oneLine(trim(key)), v = oneLine(trim(value));
  if (const auto it = values_.find(k); it != values_.end() && it->second == v) return;
  values_[k] = v;
  folder_.write(kFileName, serialise(values_));
}

void UserSettings::remove(const std::string& key) {
  if (values_.erase(oneLine(trim(key))) > 0) folder_.write(kFileName, serialise(values_));
}

}  // namespace tessaly
