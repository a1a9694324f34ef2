// SPDX-License-Identifier: GPL-3.0-or-later
#include "recovery/RecoveryKeeper.h"

#include <cstdint>

#include "text/Fnv.h"

namespace tessaly {

namespace {

constexpr std::string_view kMagic = "Tessaly recovery 1\n";
constexpr std::string_view kDictation = "dictation: ";
constexpr std::string_view kRecording = "recording: ";

// Paths go on one line each: backslashes and line ends are escaped.
std::string escapeLine(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

std::string unescapeLine(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

// Takes the next line (without its LF) off the front of `bytes`; false if there is none.
bool takeLine(std::string_view& bytes, std::string_view& line) {
  const auto end = bytes.find('\n');
  if (end == std::string_view::npos) return false;
  line = bytes.substr(0, end);
  bytes.remove_prefix(end + 1);
  return true;
}

}  // namespace

std::string encodeRecovery(const RecoveryRecord& record) {
  std::string bytes(kMagic);
  bytes += kDictation;
  bytes += escapeLine(record.dictationPath) + "\n";
  bytes += kRecording;
  bytes += escapeLine(record.audioPath) + "\n\n";
  bytes += record.text;
  return bytes;
}

std::optional<RecoveryRecord> decodeRecovery(std::string_view bytes) {
  if (!bytes.starts_with(kMagic)) return std::nullopt;
  bytes.remove_prefix(kMagic.size());
  std::string_view dictation, recording, blank;
  if (!takeLine(bytes, dictation) || !takeLine(bytes, recording) || !takeLine(bytes, blank)) return std::nullopt;
  if (!dictation.starts_with(kDictation) || !recording.starts_with(kRecording) || !blank.empty()) return std::nullopt;
  RecoveryRecord record;
  record.dictationPath = unescapeLine(dictation.substr(kDictation.size()));
  record.audioPath = unescapeLine(recording.substr(kRecording.size()));
  record.text = std::string(bytes);
  if (record.dictationPath.empty()) return std::nullopt;
  return record;
}

std::string recoveryName(const std::string& dictationPath) { return fnvHex(dictationPath) + ".txt"; }

RecoveryKeeper::RecoveryKeeper(ui::TextBox& text1, ui::Timer& timer, FileFolder& folder)
    : text1_(text1), timer_(timer), folder_(folder) {
  timer_.setEnabled(false);
  timer_.setInterval(kDelayMs);
  timer_.setTickHandler([this] {
    timer_.setEnabled(false);
    writeIfChanged();
  });
  text1_.setChangeHandler([this] { changed(); });
}

RecoveryKeeper::~RecoveryKeeper() {
  text1_.setChangeHandler(nullptr);
  timer_.setEnabled(false);
  timer_.setTickHandler(nullptr);
}

void RecoveryKeeper::changed() {
  // The first change after a write starts the wait; later ones ride along, so a copy is
  // never more than kDelayMs behind however fast the user types.
  if (tracked_ && !timer_.enabled()) timer_.setEnabled(true);
}

void RecoveryKeeper::track(const std::string& dictationPath, const std::string& audioPath, const std::string& fileText) {
  timer_.setEnabled(false);
  tracked_ = Tracked{dictationPath, audioPath, fileText, std::nullopt};
}

void RecoveryKeeper::saved() {
  if (!tracked_) return;
  timer_.setEnabled(false);
  tracked_->fileText = text1_.text();
  if (tracked_->written) folder_.remove(recoveryName(tracked_->dictationPath));
  tracked_->written.reset();
}

void RecoveryKeeper::flush() {
  timer_.setEnabled(false);
  writeIfChanged();
}

void RecoveryKeeper::writeIfChanged() {
  if (!tracked_) return;
  std::string text = text1_.text();
  const std::string name = recoveryName(tracked_->dictationPath);
  if (text == tracked_->fileText) {
    // Typed back to what the file holds: nothing to recover any more.
    if (tracked_->written) folder_.remove(name);
    tracked_->written.reset();
    return;
  }
  if (tracked_->written == text) return;
  folder_.write(name, encodeRecovery({tracked_->dictationPath, tracked_->audioPath, text}));
  tracked_->written = std::move(text);
}

std::optional<RecoveryRecord> RecoveryKeeper::copyFor(const std::string& dictationPath) const {
  const auto bytes = folder_.read(recoveryName(dictationPath));
  if (!bytes) return std::nullopt;
  auto record = decodeRecovery(*bytes);
  if (!record || record->dictationPath != dictationPath) return std::nullopt;
  return record;
}

void RecoveryKeeper::discard(const std::string& dictationPath) {
  folder_.remove(recoveryName(dictationPath));
  if (tracked_ && tracked_->dictationPath == dictationPath) tracked_->written.reset();
}

std::vector<RecoveryRecord> RecoveryKeeper::copies() const {
  std::vector<RecoveryRecord> records;
  for (const std::string& name : folder_.names())
    if (const auto bytes = folder_.read(name))
      if (auto record = decodeRecovery(*bytes)) records.push_back(std::move(*record));
  return records;
}

}  // namespace tessaly
