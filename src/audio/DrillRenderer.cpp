// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/DrillRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "audio/Decoder.h"
#include "audio/MonoWriter.h"
#include "audio/FailureText.h"
#include "audio/Stretch.h"
#include "sentences/SentenceMap.h"

namespace tessaly::audio {

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

}  // namespace

std::string drillLrcPath(const std::string& outPath) {
  const fs::path path(outPath);
  return (path.parent_path() / path.stem()).string() + ".lrc";
}

namespace {

// The steps of `plan` into `outPath`, and its .lrc when `withLrc`.
RenderedDrill render(const std::string& recording, const std::vector<DrillStep>& plan, const std::string& outPath,
                     const std::function<void(double)>& progress, const std::atomic<bool>* cancel, bool withLrc) {
  RenderedDrill result;
  const bool mp3 = endsWith(outPath, ".mp3");
  if (!mp3 && !endsWith(outPath, ".wav")) return failed("输出文件要以 .mp3 或 .wav 结尾：" + outPath);
  if (plan.empty()) return failed("没有可以导出的句子（这个录音还没有句子，或者选的句子不存在）。");
  const std::string lrc = drillLrcPath(outPath);
  for (const std::string& own : {recording, drillLrcPath(recording)})
    if (samePath(outPath, own) || samePath(lrc, own)) return failed("导出的文件不能覆盖原来的录音或它的 .lrc：" + outPath);
  Failure failure;
  auto decoder = Decoder::open(recording, cancel, &failure);
  if (!decoder) return failed("无法读取这个语音文件：" + recording + "\n" + failureInChinese(failure));
  const int rate = decoder->info().sampleRate;
  const int channels = decoder->info().channels;

  const std::string temporary = outPath + ".part";
  MonoWriter writer;
  if (std::string why = writer.open(temporary, mp3 ? MonoWriter::Format::Mp3 : MonoWriter::Format::Wav, rate);
      !why.empty()) {
    std::error_code error;
    fs::remove(temporary, error);
    return failed(why);
  }
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
  Stretch stretch(rate, channels);
  bool ok = true;
  for (const DrillStep& step : plan) {
    if (cancel && cancel->load()) {
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
      for (std::int64_t at = decoder->position(); ok && at < last;) {
        const int got = decoder->read(in.data(), static_cast<int>(std::min<std::int64_t>(4096, last - at)));
        if (got <= 0) break;
        ok = toMono(in.data(), got);
        at += got;
      }
    } else {
      stretch.restart(speed);
      const std::int64_t begin = std::max<std::int64_t>(0, first - stretch.historyFrames());
      decoder->seek(begin, cancel);
      std::vector<float> history(static_cast<std::size_t>((first - begin) * channels));
      const int heard = first > begin ? decoder->read(history.data(), static_cast<int>(first - begin)) : 0;
      stretch.prime(history.data(), heard);
      std::int64_t at = decoder->position();
      bool fedLast = false;
      while (ok && !stretch.finished()) {
        while (!fedLast && stretch.available() < 4096) {
          const int want = static_cast<int>(std::min<std::int64_t>({4096, std::max(1, stretch.wanted()), last - at}));
          const int got = want > 0 ? decoder->read(in.data(), want) : 0;
          at += got;
          fedLast = got <= 0 || at >= last;
          stretch.feed(in.data(), std::max(0, got), fedLast);
        }
        const int n = stretch.take(out.data(), 4096);
        if (n > 0) ok = toMono(out.data(), n);
        else if (fedLast && stretch.available() == 0) break;
      }
    }
    // The pause: silence, to the frame.
    const std::int64_t silence = static_cast<std::int64_t>(std::llround(step.pauseAfterMs * rate / 1000.0));
    std::vector<float> quiet(static_cast<std::size_t>(std::min<std::int64_t>(silence, 4096) * channels), 0.0f);
    for (std::int64_t left = silence; ok && left > 0;) {
      const int n = static_cast<int>(std::min<std::int64_t>(left, 4096));
      ok = toMono(quiet.data(), n);
      left -= n;
    }
    doneMs += (step.endMs - step.startMs) / speed + step.pauseAfterMs;
    if (progress) progress(totalMs > 0 ? doneMs / totalMs : 1.0);
  }
  std::error_code error;
  if (!ok || !writer.finish()) {
    fs::remove(temporary, error);
    result.error = cancel && cancel->load() ? "导出取消了。" : "无法写入输出文件：" + outPath;
    return result;
  }
  if (!withLrc) {
    fs::rename(temporary, outPath, error);
    if (error) result.error = "无法写入输出文件：" + outPath;
    return result;
  }
  std::ofstream lrcFile(lrc + ".part", std::ios::binary);
  lrcFile << "[ti:" << fs::path(outPath).stem().string() << "]\n";
  for (std::size_t i = 0; i < plan.size(); ++i)
    lrcFile << lrcTag(result.starts[i] * 1000.0 / rate) << stepCaption(plan[i]) << "\n";
  lrcFile << lrcTag(result.frames * 1000.0 / rate) << "\n";
  lrcFile.close();
  fs::rename(temporary, outPath, error);
  if (!error && lrcFile) fs::rename(lrc + ".part", lrc, error);
  if (error || !lrcFile) {
    fs::remove(temporary, error);
    fs::remove(lrc + ".part", error);
    result.error = "无法写入输出文件：" + outPath;
  }
  return result;
}

}  // namespace

RenderedDrill renderDrill(const std::string& recording, const std::vector<DrillStep>& plan, const std::string& outPath,
                          const std::function<void(double)>& progress, const std::atomic<bool>* cancel) {
  return render(recording, plan, outPath, progress, cancel, true);
}

RenderedDrill renderClip(const std::string& recording, double startMs, double endMs, const std::string& outPath,
                         const std::atomic<bool>* cancel) {
  return render(recording, {DrillStep{startMs, endMs, 0, 1, 1, 100, 0}}, outPath, {}, cancel, false);
}

}  // namespace tessaly::audio
