// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/UserSettings.h"

#include <charconv>
#include <limits>
#include <string_view>

namespace tessaly {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* kHeader = "# Tessaly's per-user options";

std::string trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

// A line's key and value; no key for a comment, a blank line or a line without one.
std::optional<std::pair<std::string, std::string>> keyAndValue(std::string_view line) {
  const std::string trimmed = trim(line);
  const auto equals = trimmed.find('=');
  if (trimmed.empty() || trimmed[0] == '#' || trimmed[0] == ';' || equals == std::string::npos) return std::nullopt;
  std::string key = trim(std::string_view(trimmed).substr(0, equals));
  if (key.empty()) return std::nullopt;
  return std::make_pair(std::move(key), trim(std::string_view(trimmed).substr(equals + 1)));
}

// The text without a byte order mark, and the lines of it (the last without its '\n').
std::vector<std::string_view> linesOf(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  std::vector<std::string_view> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

}  // namespace

UserSettings::UserSettings(FileFolder& folder) : folder_(folder) {
  const auto text = folder_.read(kFileName);
  if (!text) return;
  if (std::string_view(*text).substr(0, kByteOrderMark.size()) == kByteOrderMark) byteOrderMark_ = kByteOrderMark;
  endsWithLineEnd_ = text->empty() || text->back() == '\n';
  for (std::string_view line : linesOf(*text)) {
    if (auto kv = keyAndValue(line)) {
      Value& v = values_[kv->first];
      v.value = std::move(kv->second);
      v.lines.push_back(lines_.size());
    }
    lines_.push_back({std::string(line)});
  }
}

UserSettings::Batch::~Batch() {
  if (--settings_.batches_ == 0 && settings_.unwritten_) settings_.write();
}

std::map<std::string, std::string> UserSettings::parse(const std::string& text) {
  std::map<std::string, std::string> values;
  for (std::string_view line : linesOf(text))
    if (auto kv = keyAndValue(line)) values[kv->first] = std::move(kv->second);
  return values;
}

void UserSettings::changed() {
  ++version_;
  if (batches_ > 0) unwritten_ = true;
  else write();
}

void UserSettings::write() {
  unwritten_ = false;
  std::string text = byteOrderMark_;
  bool first = true;
  for (const Line& line : lines_) {
    if (line.gone) continue;
    if (!first) text += '\n';
    text += line.text;
    first = false;
  }
  if (!first && endsWithLineEnd_) text += '\n';
  folder_.write(kFileName, std::move(text));
}

std::optional<std::string> UserSettings::get(const std::string& key) const {
  const auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second.value;
}

int UserSettings::getInt(const std::string& key, int fallback) const {
  const auto value = get(key);
  if (!value || value->empty()) return fallback;
  const char* const end = value->data() + value->size();
  int number = 0;
  const auto [stop, error] = std::from_chars(value->data(), end, number);
  if (stop != end) return fallback;
  if (error == std::errc::result_out_of_range)
    return (*value)[0] == '-' ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
  return error == std::errc() ? number : fallback;
}

void UserSettings::set(const std::string& key, const std::string& value) {
  const std::string k = oneLine(trim(key)), v = oneLine(trim(value));
  if (k.empty()) return;
  const auto it = values_.find(k);
  if (it != values_.end() && it->second.value == v) return;
  if (it != values_.end()) {
    // The line of the value that counts is rewritten, its line end as it was.
    Line& line = lines_[it->second.lines.back()];
    const bool returnBefore = !line.text.empty() && line.text.back() == '\r';
    line.text = k + "=" + v + (returnBefore ? "\r" : "");
    it->second.value = v;
  } else {
    if (lines_.empty()) lines_.push_back({kHeader});
    // A file that ended without a line end gets one before the new line.
    endsWithLineEnd_ = true;
    values_[k] = {v, {lines_.size()}};
    lines_.push_back({k + "=" + v});
  }
  changed();
}

void UserSettings::remove(const std::string& key) {
  const auto it = values_.find(oneLine(trim(key)));
  if (it == values_.end()) return;
  for (std::size_t line : it->second.lines) lines_[line].gone = true;
  values_.erase(it);
  changed();
}

std::vector<std::string> UserSettings::keysStartingWith(const std::string& prefix) const {
  std::vector<std::string> keys;
  for (auto it = values_.lower_bound(prefix); it != values_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
    keys.push_back(it->first);
  return keys;
}

}  // namespace tessaly
