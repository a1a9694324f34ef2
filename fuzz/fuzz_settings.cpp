// SPDX-License-Identifier: GPL-3.0-or-later
// Reading any bytes as settings.ini: never a crash; a change to one key (a new one, or the
// first one read) leaves every other value as it was read, and reads back itself. (A key or
// value with a CR inside is written with a space there, as set() says: not asked of it.)
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/UserSettings.h"

namespace {

// One file in memory.
class OneFile final : public tessaly::FileFolder {
 public:
  explicit OneFile(std::string text) : text_(std::move(text)) {}
  void write(const std::string&, std::string bytes) override { text_ = std::move(bytes); }
  void remove(const std::string&) override { text_.clear(); }
  std::optional<std::string> read(const std::string&) const override { return text_; }
  std::vector<std::string> names() const override { return {tessaly::UserSettings::kFileName}; }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

void expectAfterSet(const std::string& text, const std::string& key, const std::string& value) {
  OneFile file(text);
  tessaly::UserSettings settings(file);
  settings.set(key, value);
  std::map<std::string, std::string> expected = tessaly::UserSettings::parse(text);
  expected[key] = value;
  if (tessaly::UserSettings::parse(file.text()) != expected) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto values = tessaly::UserSettings::parse(text);
  if (!values.count("fuzz_new_key")) expectAfterSet(text, "fuzz_new_key", "a value");
  if (!values.empty()) {
    const auto& [key, value] = *values.begin();
    // A key that starts with a byte order mark's bytes reads as another once it is the first line.
    if ((key + value).find('\r') == std::string::npos && key.rfind("\xEF\xBB\xBF", 0) != 0)
      expectAfterSet(text, key, value + "x");
  }
  return 0;
}
