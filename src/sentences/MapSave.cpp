// SPDX-License-Identifier: GPL-3.0-or-later
#include "sentences/MapSave.h"

#include <sys/stat.h>

#include <filesystem>

#include "text/FileReader.h"
#include "text/TextFile.h"

namespace tessaly {

namespace {

namespace fs = std::filesystem;

// A name is taken by anything at all there, a dangling link too.
bool present(const std::string& path) {
  struct stat there {};
  return ::lstat(path.c_str(), &there) == 0;
}

std::string nameOf(const std::string& path) { return fs::path(path).filename().string(); }

// The sentence's text on one line, as readLrc reads it back: a text that starts with "[" is
// set off from the time tag by a space, so its brackets are no tag.
std::string lineText(const std::string& text) {
  std::string line = text;
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return line.starts_with('[') ? " " + line : line;
}

}  // namespace

std::string mapLrcText(std::string_view title, const std::vector<Sentence>& sentences, std::int32_t lengthMs) {
  std::string out = std::string(kMapLrcMark) + "\r\n" + lrcTitleLine(title) + "\r\n";
  for (std::size_t i = 0; i < sentences.size(); ++i) {
    const Sentence& s = sentences[i];
    const bool words = s.text && !s.text->empty();
    out += lrcTag(s.startMs) + (words ? lineText(*s.text) : std::string(kLrcNoTextTag)) + "\r\n";
    const bool last = i + 1 == sentences.size();
    const bool endsEarly = last ? lengthMs > 0 && s.endMs < lengthMs : s.endMs < sentences[i + 1].startMs;
    if (endsEarly) out += lrcTag(s.endMs) + "\r\n";
  }
  return out;
}

SaveChoice saveChoiceFor(const std::optional<std::string>& existingBytes) {
  if (!existingBytes) return SaveChoice::Write;
  std::string_view rest = *existingBytes;
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  for (int line = 0; line < 3 && !rest.empty(); ++line) {
    const auto end = rest.find_first_of("\r\n");
    std::string_view text = rest.substr(0, end);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text == kMapLrcMark) return SaveChoice::Replace;
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + (rest.compare(end, 2, "\r\n") == 0 ? 2 : 1));
  }
  return SaveChoice::Ask;
}

std::string backupPath(const std::string& lrcPath, const std::function<bool(const std::string&)>& taken) {
  if (lrcPath.empty()) return {};
  if (const std::string first = lrcPath + ".bak"; !taken(first)) return first;
  const std::string_view extension = ".lrc";
  const bool lrc = lrcPath.ends_with(extension);
  const std::string stem = lrc ? lrcPath.substr(0, lrcPath.size() - extension.size()) : lrcPath;
  for (int k = 2; k <= 1000; ++k) {
    const std::string next = stem + " (" + std::to_string(k) + ")" + (lrc ? ".lrc" : "") + ".bak";
    if (!taken(next)) return next;
  }
  return {};
}

SavedMap saveMap(const std::string& recordingPath, const std::vector<Sentence>& sentences, std::int32_t lengthMs,
                 bool replaceConfirmed) {
  SavedMap saved;
  const std::vector<std::string> companions = companionPaths(recordingPath);
  if (companions.empty()) {
    saved.words = "没有选好录音，句子表没有保存。";
    return saved;
  }
  saved.path = companions[0];
  if (sentences.empty()) {
    saved.words = "句子表里没有句子，什么也没有保存。";
    return saved;
  }
  // What is there already, read whole before anything is written: what cannot be read is
  // never replaced.
  const FileBytes old = present(saved.path) ? readWhole(saved.path) : FileBytes{};
  if (old.exists && !old.read) {
    saved.words = "无法读取原来的“" + nameOf(saved.path) + "”，句子表没有保存。";
    return saved;
  }
  const std::optional<std::string> existing = old.exists ? std::optional<std::string>(old.bytes) : std::nullopt;
  const SaveChoice choice = saveChoiceFor(existing);
  std::string title = existing ? lrcTitle(old.text.utf8) : std::string();
  if (title.empty()) title = fs::path(recordingPath).stem().string();
  const std::string text = mapLrcText(title, sentences, lengthMs);
  if (choice == SaveChoice::Ask) {
    const std::string backup = backupPath(saved.path, present);
    if (backup.empty()) {
      saved.words = "“" + nameOf(saved.path) + "”旁边的备份文件太多了，句子表没有保存。";
      return saved;
    }
    if (!replaceConfirmed) {
      saved.askFirst = true;
      saved.words = "“" + nameOf(saved.path) +
                    "”已经有了，不是在这里改好保存的。要换成改好的句子表吗？原来的文件会保留为“" + nameOf(backup) + "”。";
      return saved;
    }
    if (!writeNewFileAtomically(backup, *existing).ok) {
      saved.words = "无法保留原来的文件：" + backup + "，句子表没有保存。";
      return saved;
    }
    saved.backup = backup;
  }
  const FileResult written = choice == SaveChoice::Write ? writeNewFileAtomically(saved.path, text)
                                                         : writeFileAtomically(saved.path, text);
  if (!written.ok) {
    saved.words = "无法写入“" + saved.path + "”，句子表没有保存" + (existing ? "，原来的文件没有改动。" : "。");
    return saved;
  }
  saved.ok = true;
  saved.words = "句子表已保存：" + saved.path;
  if (!saved.backup.empty()) saved.words += "。原来的文件保留为：" + saved.backup;
  return saved;
}

}  // namespace tessaly
