// SPDX-License-Identifier: GPL-3.0-or-later
#include "drill/engine/DrillRenderer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "audio/Decoder.h"
#include "audio/MonoWriter.h"
#include "audio/Stretch.h"
#include "drill/DrillFiles.h"
#include "playback/FailureText.h"
#include "sentences/SentenceMap.h"

namespace tessaly {

using audio::Decoder;
using audio::makeStretch;
using audio::MonoWriter;
using audio::Stretch;

namespace {

namespace fs = std::filesystem;

bool endsWith(const std::string& s, const char* tail) {
  const std::string t = tail;
  if (s.size() < t.size()) return false;
  return std::equal(t.rbegin(), t.rend(), s.rbegin(), [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

bool samePath(const std::string& a, const std::string& b) {
  std::error_code error;
  if (fs::exists(a, error) && fs::exists(b, error)) return fs::equivalent(a, b, error);
  return fs::weakly_canonical(a, error) == fs::weakly_canonical(b, error);
}

RenderedDrill failed(std::string why) {
  RenderedDrill result;
  result.error = std::move(why);
  return result;
}

RenderedDrill refused(std::string why) {
  RenderedDrill result = failed(std::move(why));
  result.inTheWay = true;
  return result;
}

// The temporary of an export, locked while the export writes it: a later export of the same
// file tells a live one (the lock held) from a killed one's leftover (no lock).
class Temporary {
 public:
  explicit Temporary(std::string path) : path_(std::move(path)) {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd_);
      fd_ = -1;
      busy_ = true;
    }
    if (fd_ >= 0 && ::ftruncate(fd_, 0) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;
  ~Temporary() {
    if (fd_ < 0) return;
    if (!kept_) {
      std::error_code error;
      fs::remove(path_, error);
    }
    ::close(fd_);
  }
  bool held() const { return fd_ >= 0; }
  bool busy() const { return busy_; }  // another export holds it
  void keep() { kept_ = true; }        // renamed into place: no longer ours to remove

 private:
  std::string path_;
  int fd_ = -1;
  bool busy_ = false;
  bool kept_ = false;
};

std::string minutes(double ms) {
  const long long tenths = static_cast<long long>(std::max(0.0, ms) / 100);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld.%lld", tenths / 600, tenths / 10 % 60, tenths % 10);
  return text;
}

// A step may end this much before the end its plan gave (a header's length is an estimate).
constexpr double kShortfallMs = 500;

}  // namespace

void removeLeftParts(const std::string& outPath) {
  const std::string part = outPath + ".part";
  std::error_code error;
  if (fs::exists(part, error)) {
    const int fd = ::open(part.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (free) fs::remove(part, error);
    ::close(fd);
    if (!free) return;  // a live export: its .lrc.part is its own too
  }
  fs::remove(drillLrcPath(outPath) + ".part", error);
}

std::string drillLrcPath(const std::string& outPath) {
  const fs::path path(outPath);
  return (path.parent_path() / path.stem()).string() + ".lrc";
}

namespace {

// Why the drill's file could not be begun, in the learner's words.
std::string cannotWrite(MonoWriter::OpenFailure why, bool mp3, int rate, const std::string& path) {
  const std::string name = mp3 ? "MP3" : "WAV";
  switch (why) {
    case MonoWriter::OpenFailure::None: return {};
    case MonoWriter::OpenFailure::CannotCreate: return "无法建立输出文件。";
    case MonoWriter::OpenFailure::NoEncoder:
      return mp3 ? "没有 MP3 编码器（FFmpeg 的 libmp3lame）。" : "没有 " + name + " 编码器。";
    case MonoWriter::OpenFailure::RateRefused:
      return "这个采样率（" + std::to_string(rate) + " Hz）无法编码成 " + name + "。";
    case MonoWriter::OpenFailure::CannotWrite: return "无法写入输出文件：" + path;
  }
  return "无法建立输出文件。";
}

// The steps of `plan` into `outPath`, and its .lrc when `withLrc`.
RenderedDrill render(const std::string& recording, const std::vector<DrillStep>& plan, const std::string& outPath,
                     const std::function<void(double)>& progress, const std::atomic<bool>* cancel, bool withLrc,
                     const std::vector<std::string>& mayReplace, StretchEngine engine) {
  RenderedDrill result;
  const bool mp3 = endsWith(outPath, ".mp3");
  if (!mp3 && !endsWith(outPath, ".wav")) return failed("输出文件要以 .mp3 或 .wav 结尾：" + outPath);
  if (plan.empty()) return failed("没有可以导出的句子（这个录音还没有句子，或者选的句子不存在）。");
  const std::string lrc = drillLrcPath(outPath);
  for (const std::string& own : {recording, drillLrcPath(recording)})
    if (samePath(outPath, own) || samePath(lrc, own)) return failed("导出的文件不能覆盖原来的录音或它的 .lrc：" + outPath);
  const bool shared = withLrc && sharesItsLrc(outPath) &&
                      std::find(mayReplace.begin(), mayReplace.end(), lrc) == mayReplace.end();
  if (withLrc) {
    removeLeftParts(outPath);
    for (const std::string& path : filesInTheWay(outPath))
      if (std::find(mayReplace.begin(), mayReplace.end(), path) == mayReplace.end())
        return refused(path == outPath
                           ? "这个文件已经有了，而且不是导出的复读录音，没有覆盖它：" + path
                           : "这个文件属于另一个录音或是你自己的文件，导出会覆盖或占用它，所以没有导出：" + path);
  }
  Failure failure;
  auto decoder = Decoder::open(recording, cancel, &failure);
  if (!decoder) return failed("无法读取这个语音文件：" + recording + "\n" + failureInChinese(failure));
  const int rate = decoder->info().sampleRate;
  const int channels = decoder->info().channels;

  const std::string temporary = outPath + ".part";
  Temporary claim(temporary);
  if (claim.busy()) return failed("另一个导出正在写这个文件，请等它写完：" + outPath);
  if (!claim.held()) return failed("无法写入输出文件：" + outPath);
  MonoWriter writer;
  // An MP3 of a recording at a rate MP3 has not (96 kHz) is made at the nearest it has.
  if (const auto why = writer.open(temporary, mp3 ? MonoWriter::Format::Mp3 : MonoWriter::Format::Wav, rate, {},
                                   MonoWriter::OtherRate::Resample);
      why != MonoWriter::OpenFailure::None)
    return failed(cannotWrite(why, mp3, rate, temporary));
  double totalMs = 0, doneMs = 0;
  for (const DrillStep& step : plan) totalMs += (step.endMs - step.startMs) * 100.0 / step.speedPercent + step.pauseAfterMs;

  result.sampleRate = rate;
  std::vector<float> in(4096 * static_cast<std::size_t>(channels)), out(4096 * static_cast<std::size_t>(channels)), mono;
  const auto toMono = [&](const float* frames, int n) {
    mono.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      float sum = 0;
      for (int c = 0; c < channels; ++c) sum += frames[static_cast<std::size_t>(i * channels + c)];
      mono[static_cast<std::size_t>(i)] = sum / static_cast<float>(channels);
    }
    result.frames += n;
    return writer.write(mono.data(), mono.size());
  };
  const std::unique_ptr<Stretch> made = makeStretch(engine, rate, channels);
  Stretch& stretch = *made;
  bool ok = true;
  const auto cancelled = [cancel] { return cancel && cancel->load(); };
  // Where the recording stopped giving frames short of a step's end, and how many steps it cut.
  std::int64_t readable = -1;
  int cutSteps = 0;
  const auto endedAt = [&](std::int64_t at, std::int64_t last) {
    if ((last - at) * 1000.0 / rate <= kShortfallMs) return;
    readable = readable < 0 ? at : std::min(readable, at);
    ++cutSteps;
  };
  for (const DrillStep& step : plan) {
    if (cancelled()) {
      ok = false;
      break;
    }
    result.starts.push_back(result.frames);
    const std::int64_t first = static_cast<std::int64_t>(std::llround(step.startMs * rate / 1000.0));
    const std::int64_t last = static_cast<std::int64_t>(std::llround(step.endMs * rate / 1000.0));
    const double speed = step.speedPercent / 100.0;
    if (step.speedPercent == 100) {
      // As recorded: the frames themselves.
      decoder->seek(first, cancel);
      std::int64_t at = decoder->position();
      while (ok && at < last && !cancelled()) {
        const int got = decoder->read(in.data(), static_cast<int>(std::min<std::int64_t>(4096, last - at)));
        if (got <= 0) break;
        ok = toMono(in.data(), got);
        at += got;
      }
      if (ok && !cancelled()) endedAt(at, last);
    } else {
      stretch.restart(speed);
      const std::int64_t begin = std::max<std::int64_t>(0, first - stretch.historyFrames());
      decoder->seek(begin, cancel);
      std::vector<float> history(static_cast<std::size_t>((first - begin) * channels));
      const int heard = first > begin ? decoder->read(history.data(), static_cast<int>(first - begin)) : 0;
      stretch.prime(history.data(), heard);
      std::int64_t at = decoder->position();
      bool fedLast = false;
      while (ok && !stretch.finished() && !cancelled()) {
        while (!fedLast && stretch.available() < 4096) {
          const int want = static_cast<int>(std::min<std::int64_t>({4096, std::max(1, stretch.wanted()), last - at}));
          const int got = want > 0 ? decoder->read(in.data(), want) : 0;
          at += std::max(0, got);
          fedLast = got <= 0 || at >= last;
          stretch.feed(in.data(), std::max(0, got), fedLast);
        }
        const int n = stretch.take(out.data(), 4096);
        if (n > 0) ok = toMono(out.data(), n);
        else if (fedLast && stretch.available() == 0) break;
      }
      if (ok && !cancelled()) endedAt(at, last);
    }
    // The pause: silence, to the frame.
    const std::int64_t silence = static_cast<std::int64_t>(std::llround(step.pauseAfterMs * rate / 1000.0));
    std::vector<float> quiet(static_cast<std::size_t>(std::min<std::int64_t>(silence, 4096) * channels), 0.0f);
    for (std::int64_t left = silence; ok && left > 0 && !cancelled();) {
      const int n = static_cast<int>(std::min<std::int64_t>(left, 4096));
      ok = toMono(quiet.data(), n);
      left -= n;
    }
    doneMs += (step.endMs - step.startMs) / speed + step.pauseAfterMs;
    if (progress) progress(totalMs > 0 ? doneMs / totalMs : 1.0);
  }
  std::error_code error;
  if (!ok || cancelled() || !writer.finish()) {
    result.error = cancelled() ? "导出取消了。" : "无法写入输出文件：" + outPath;
    return result;
  }
  if (readable >= 0) {
    const std::int64_t promised = decoder->info().lengthFrames;
    result.warning = "这个录音只能读出前 " + minutes(readable * 1000.0 / rate) +
                     (promised > readable ? "（它的文件头说有 " + minutes(promised * 1000.0 / rate) + "）"
                                          : std::string()) +
                     "，后面的部分读不出来：导出的录音里有 " + std::to_string(cutSteps) + " 段缺了声音。";
  }
  if (!withLrc) {
    fs::rename(temporary, outPath, error);
    if (error) result.error = "无法写入输出文件：" + outPath;
    else claim.keep();
    return result;
  }
  // Both files whole under their temporary names first; then into place, the sound first,
  // and taken away again when its .lrc cannot follow.
  std::ostringstream text;
  text << lrcTitleLine(fs::path(outPath).stem().string()) << "\n" << kDrillLrcMark << "\n";
  for (std::size_t i = 0; i < plan.size(); ++i)
    text << lrcTag(result.starts[i] * 1000.0 / rate) << stepCaption(plan[i]) << "\n";
  text << lrcTag(result.frames * 1000.0 / rate) << "\n";
  if (shared) {
    std::ifstream kept(lrc, std::ios::binary);
    const std::string before((std::istreambuf_iterator<char>(kept)), {});
    if (before != text.str()) {
      result.inTheWay = true;
      result.error = "同名的另一个复读录音用着这个 .lrc，这次导出的句子和时间和它的不一样，所以没有导出：" + lrc +
                     "\n请换一个文件名。";
      return result;
    }
  }
  const std::string lrcTemporary = lrc + ".part";
  std::ofstream lrcFile(lrcTemporary, std::ios::binary | std::ios::trunc);
  lrcFile << text.str();
  lrcFile.close();
  bool lrcPlaced = false;
  if (lrcFile) {
    fs::rename(temporary, outPath, error);
    if (error) {
      fs::remove(lrcTemporary, error);
      result.error = "无法写入输出文件：" + outPath;
      return result;
    }
    claim.keep();
    fs::rename(lrcTemporary, lrc, error);
    lrcPlaced = !error;
    if (!lrcPlaced) fs::remove(outPath, error);
  }
  if (lrcPlaced) return result;
  fs::remove(lrcTemporary, error);
  result.error = "无法写入导出录音的 .lrc：" + lrc + "\n所以也没有留下 " + outPath + "。";
  result.warning.clear();
  return result;
}

}  // namespace

RenderedDrill renderDrill(const std::string& recording, const std::vector<DrillStep>& plan, const std::string& outPath,
                          const std::function<void(double)>& progress, const std::atomic<bool>* cancel,
                          const std::vector<std::string>& mayReplace, StretchEngine engine) {
  return render(recording, plan, outPath, progress, cancel, true, mayReplace, engine);
}

RenderedDrill renderClip(const std::string& recording, double startMs, double endMs, const std::string& outPath,
                         const std::atomic<bool>* cancel) {
  return render(recording, {DrillStep{startMs, endMs, 0, 1, 1, 100, 0}}, outPath, {}, cancel, false, {},
                kDefaultStretchEngine);
}

}  // namespace tessaly
