// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordlist/engine/WordListLesson.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "audio/MonoWriter.h"
#include "audio/Speech.h"
#include "sentences/SentenceMap.h"
#include "text/TextFile.h"

namespace tessaly {

using audio::speak;

namespace {

namespace fs = std::filesystem;

constexpr double kBetweenPartsMs = 500;
constexpr double kBetweenEntriesMs = 1500;
constexpr double kLeadMs = 500;
constexpr int kQuiet = 300;  // of 32767: below this a sample is silence, when trimming

// `text` spoken in `voice`, its silence before and after trimmed; empty when nothing is heard.
std::vector<short> say(const std::string& text, const std::string& voice) {
  std::vector<short> samples = speak(text, voice).samples;
  std::size_t first = 0, last = samples.size();
  while (first < last && std::abs(samples[first]) < kQuiet) ++first;
  while (last > first && std::abs(samples[last - 1]) < kQuiet) --last;
  return {samples.begin() + static_cast<std::ptrdiff_t>(first), samples.begin() + static_cast<std::ptrdiff_t>(last)};
}

// The lesson as a 16-bit mono WAV, through the engine's one writer.
bool writeWav(const fs::path& path, const std::vector<short>& samples, int rate) {
  audio::MonoWriter writer;
  if (writer.open(path.string(), audio::MonoWriter::Format::Wav, rate) != audio::MonoWriter::OpenFailure::None)
    return false;
  std::vector<float> frames(samples.size());
  std::transform(samples.begin(), samples.end(), frames.begin(), [](short v) { return static_cast<float>(v) / 32768.0f; });
  return writer.write(frames.data(), frames.size()) && writer.finish();
}

bool present(const fs::path& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

bool sameFile(const fs::path& a, const fs::path& b) {
  std::error_code error;
  if (present(a) && present(b)) return fs::equivalent(a, b, error);
  return fs::weakly_canonical(a, error) == fs::weakly_canonical(b, error);
}

bool holdsLine(const fs::path& path, const std::string& wanted) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (int i = 0; i < 3 && std::getline(in, line); ++i)
    if (line == wanted) return true;
  return false;
}

// The lesson's path up to the extension: the first name in `folder` whose recording, .lrc,
// .srt and dictation (.txt) are all free, or are an earlier lesson of this same list (its
// recording and an .lrc with `mark`) with that lesson's dictation. Never one whose dictation
// would be the list itself. Empty when none of a thousand names is free.
fs::path freeLessonStem(const fs::path& folder, const fs::path& listPath, const std::string& mark) {
  const std::string name = listPath.stem().string();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::string stem = (folder / lessonName(name, attempt)).string();
    const fs::path wav = stem + ".wav", lrc = stem + ".lrc", srt = stem + ".srt", txt = stem + ".txt";
    if (sameFile(txt, listPath) || sameFile(wav, listPath) || sameFile(lrc, listPath)) continue;
    if (!present(wav) && !present(lrc) && !present(srt) && !present(txt)) return stem;
    if (present(wav) && present(lrc) && holdsLine(lrc, mark)) return stem;
  }
  return {};
}

// Whether `lrc` reads back as the list's words, one sentence each, in order.
bool readsBackAs(const std::string& lrc, const WordList& list, double lengthMs) {
  const std::vector<Sentence> sentences = readLrc(lrc, static_cast<std::int32_t>(lengthMs) + 1);
  if (sentences.size() != list.entries.size()) return false;
  for (std::size_t i = 0; i < sentences.size(); ++i)
    if (sentences[i].text != list.entries[i].word) return false;
  return true;
}

}  // namespace

MadeLesson makeWordListLesson(const std::string& listPath, const std::string& folder) {
  TextFileContent file;
  if (!readTextFile(listPath, file).ok) return {{}, "无法读取词语表：" + listPath};
  WordList list;
  if (std::string why = parseWordList(file.text, list); !why.empty()) return {{}, why};

  const std::string voice = list.mandarin ? "cmn-latn-pinyin" : "en-us";
  const int rate = speak("", voice).sampleRate;
  if (rate == 0)
    return {{},
            std::string("语音合成（libespeak-ng）无法启动，或者没有") + (list.mandarin ? "普通话" : "英语") +
                "的声音，词语表没有读成录音。"};
  const auto silence = [&](std::vector<short>& into, double ms) {
    into.insert(into.end(), static_cast<std::size_t>(ms * rate / 1000), 0);
  };
  std::vector<short> lesson;
  std::vector<double> starts;
  silence(lesson, kLeadMs);
  for (const WordEntry& entry : list.entries) {
    const std::vector<std::string> parts = spokenParts(entry);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const std::vector<short> spoken = say(parts[i], voice);
      if (spoken.empty())
        return {{}, "第 " + std::to_string(entry.line) + " 行无法朗读：" + parts[i] + "\n词语表没有读成录音。"};
      if (i == 0) starts.push_back(lesson.size() * 1000.0 / rate);
      else silence(lesson, kBetweenPartsMs);
      lesson.insert(lesson.end(), spoken.begin(), spoken.end());
    }
    silence(lesson, kBetweenEntriesMs);
  }

  std::error_code error;
  fs::create_directories(folder, error);
  const std::string mark = wordListMark(fs::weakly_canonical(fs::path(listPath), error).string());
  const fs::path stem = freeLessonStem(folder, listPath, mark);
  if (stem.empty()) return {{}, "“" + folder + "”里没有空着的名字可以放这个词语表的录音，请清理一下这个文件夹。"};
  const fs::path wav = stem.string() + ".wav", lrc = stem.string() + ".lrc";
  const double lengthMs = lesson.size() * 1000.0 / rate;
  const std::string lrcText = wordListLrc(fs::path(listPath).stem().string(), list, starts, lengthMs, mark);
  if (!readsBackAs(lrcText, list, lengthMs)) return {{}, "词语表写成 .lrc 后读出来的字词不一样，词语表没有读成录音。"};
  // The sound in full first, then its map, then the sound under its name: a lesson is never
  // left with a new map and no sound.
  const std::string wavPart = wav.string() + ".part";
  if (!writeWav(wavPart, lesson, rate) || !writeFileAtomically(lrc, lrcText).ok) {
    fs::remove(wavPart, error);
    return {{}, "无法写入词语表的录音：" + wav.string()};
  }
  fs::rename(wavPart, wav, error);
  if (error) return {{}, "无法写入词语表的录音：" + wav.string()};
  return {wav.string(), {}};
}

}  // namespace tessaly
