// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/engine/AnkiExporter.h"

#include <filesystem>
#include <set>

#include "drill/engine/DrillRenderer.h"
#include "text/TextFile.h"

namespace tessaly {

namespace fs = std::filesystem;

std::string exportForAnki(const std::vector<AnkiNote>& notes, const std::string& textPath,
                          const std::function<void(double)>& progress, const std::atomic<bool>* cancel) {
  if (notes.empty()) return "没有要导出的错句。";
  const fs::path folder = fs::path(textPath).parent_path();
  std::vector<AnkiNote> written;
  std::set<std::string> unreadable;
  for (std::size_t i = 0; i < notes.size(); ++i) {
    if (cancel && cancel->load()) return "导出取消了。";
    const AnkiNote& note = notes[i];
    const fs::path sound = folder / ankiSoundName(note);
    std::error_code error;
    // The same sentence of the same recording has the same sound: made once.
    if (fs::exists(sound, error) ||
        renderClip(note.recording, note.startMs, note.endMs, sound.string(), cancel).error.empty())
      written.push_back(note);
    else unreadable.insert(note.recording);
    if (progress) progress(static_cast<double>(i + 1) / static_cast<double>(notes.size() + 1));
  }
  if (cancel && cancel->load()) return "导出取消了。";
  if (!writeFileAtomically(textPath, ankiFile(written)).ok) return "无法写入文件：" + textPath;
  if (unreadable.empty()) return {};
  std::string said = "这些录音读不出来，它们的句子没有导出：";
  for (const std::string& recording : unreadable) said += "\n" + recording;
  return said;
}

std::uint32_t AnkiExporter::start(std::vector<AnkiNote> notes, const std::string& textPath) {
  return worker_.start([notes = std::move(notes), textPath](const std::atomic<bool>& cancel, const auto& publish) {
    const std::string error = exportForAnki(
        notes, textPath, [&](double share) { publish([share](DrillExportState& s) { s.share = share; }, false); }, &cancel);
    publish(
        [&](DrillExportState& s) {
          s.share = 1;
          s.finished = true;
          s.error = error;
        },
        true);
  });
}

bool AnkiExporter::state(std::uint32_t serial, DrillExportState& state) const {
  return worker_.read(serial, [&](const DrillExportState& s, bool) { state = s; });
}

}  // namespace tessaly
