// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/engine/TranscriptAligner.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <future>
#include <memory>

#include "align/Features.h"
#include "align/LongAlign.h"
#include "audio/Decoder.h"
#include "audio/Speech.h"
#include "playback/FailureText.h"
#include "sentences/MapSave.h"
#include "sentences/SentenceMap.h"
#include "text/FileIdentity.h"
#include "text/TextFile.h"

namespace tessaly::align {

namespace {

namespace fs = std::filesystem;

constexpr int kFeatureRate = 16000;  // both sides are heard at this rate: a small transform, the speech band whole
constexpr int kQuiet = 300;          // of 32767: below this a synthesised sample is silence
constexpr double kGapSeconds = 0.1;  // silence between two sentences of the synthesis
constexpr int kBlockFrames = 8192;
constexpr int kEnglishWordsPerMinute = 120;
// English spoken by a woman's voice, then by a man's.
constexpr std::array<const char*, 2> kEnglishVoices = {"en-us+f4", "en-us+m5"};

// A windowed-sinc resampler fed a piece at a time: output sample n is the input's band-
// limited value at n * from / to, so no time is lost or gained however the pieces fall.
class Resampler {
 public:
  Resampler(int from, int to) : step_(static_cast<double>(from) / to) {
    cutoff_ = std::min(1.0, static_cast<double>(to) / from) * 0.95;
    half_ = kZeros / cutoff_;
    table_.resize(static_cast<std::size_t>(half_ * kSteps) + 2);
    for (std::size_t k = 0; k < table_.size(); ++k) {
      const double x = static_cast<double>(k) / kSteps, px = kPi * cutoff_ * x;
      const double sinc = x == 0 ? 1.0 : std::sin(px) / px;
      const double window = x < half_ ? 0.5 + 0.5 * std::cos(kPi * x / half_) : 0.0;  // Hann
      table_[k] = static_cast<float>(cutoff_ * sinc * window);
    }
  }

  void add(const float* in, std::size_t count, std::vector<float>& out) {
    buffer_.insert(buffer_.end(), in, in + count);
    produce(out, false);
  }
  void finish(std::vector<float>& out) { produce(out, true); }

 private:
  static constexpr double kPi = 3.14159265358979323846;
  static constexpr int kZeros = 8, kSteps = 256;

  void produce(std::vector<float>& out, bool last) {
    const std::int64_t end = bufferFrom_ + static_cast<std::int64_t>(buffer_.size());
    for (;; ++produced_) {
      const double t = static_cast<double>(produced_) * step_;
      const auto lo = static_cast<std::int64_t>(std::ceil(t - half_)),
                 hi = static_cast<std::int64_t>(std::floor(t + half_));
      if (last ? t >= static_cast<double>(end) : hi >= end) break;
      double sum = 0;
      for (std::int64_t i = std::max(lo, bufferFrom_); i <= std::min(hi, end - 1); ++i) {
        const std::size_t at = static_cast<std::size_t>(std::abs(static_cast<double>(i) - t) * kSteps);
        if (at < table_.size()) sum += table_[at] * buffer_[static_cast<std::size_t>(i - bufferFrom_)];
      }
      out.push_back(static_cast<float>(sum));
    }
    // What the next output still needs.
    const auto keep = std::max(bufferFrom_, static_cast<std::int64_t>(std::ceil(produced_ * step_ - half_)) - 1);
    const auto drop = std::min<std::int64_t>(keep - bufferFrom_, static_cast<std::int64_t>(buffer_.size()));
    buffer_.erase(buffer_.begin(), buffer_.begin() + drop);
    bufferFrom_ += drop;
  }

  double step_, cutoff_ = 1, half_ = 8;
  std::vector<float> table_, buffer_;
  std::int64_t bufferFrom_ = 0, produced_ = 0;
};

// Noise far under any speech, so digital silence has features like a quiet room's.
class Dither {
 public:
  float operator()() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return (static_cast<float>(state_ >> 40) / static_cast<float>(1 << 24) - 0.5f) * 2e-4f;
  }

 private:
  std::uint64_t state_ = 1;
};

TranscriptAlignment failed(AlignOutcome outcome, std::string message) {
  TranscriptAlignment out;
  out.outcome = outcome;
  out.message = std::move(message);
  return out;
}

// The transcript spoken, sentence by sentence, one after another with a short silence:
// its features, and the frames of each sentence spoken.
struct Synthesis {
  Features features;
  std::vector<SentenceFrames> spans;
  std::vector<std::size_t> spoken;  // the transcript's sentence of each span
};

Synthesis synthesise(const Transcript& transcript, const char* englishVoice, Dither& dither,
                     const std::atomic<bool>* cancel, const std::function<void(double)>& report) {
  Synthesis out;
  std::unique_ptr<Resampler> resampler;
  FeatureStream stream(kFeatureRate);
  std::vector<float> resampled;
  std::int64_t synthesised = 0;  // samples at kFeatureRate so far
  for (std::size_t k = 0; k < transcript.sentences.size(); ++k) {
    if (cancel && cancel->load()) return {};
    const TranscriptSentence& sentence = transcript.sentences[k];
    // English a little slower than the synthesiser's habit: nearer to how a lesson's reader
    // sounds, so its sentences stand out more from one another.
    const audio::Spoken said = sentence.han ? audio::speak(sentence.text, "cmn-latn-pinyin")
                                            : audio::speak(sentence.text, englishVoice, kEnglishWordsPerMinute);
    std::size_t first = 0, last = said.samples.size();
    while (first < last && std::abs(said.samples[first]) < kQuiet) ++first;
    while (last > first && std::abs(said.samples[last - 1]) < kQuiet) --last;
    if (said.sampleRate == 0 || last - first < static_cast<std::size_t>(said.sampleRate / 20)) continue;
    if (!resampler) resampler = std::make_unique<Resampler>(said.sampleRate, kFeatureRate);
    std::vector<float> clip;
    for (std::size_t i = first; i < last; ++i) clip.push_back(static_cast<float>(said.samples[i]) / 32768.0f + dither());
    for (int i = 0; i < static_cast<int>(kGapSeconds * said.sampleRate); ++i) clip.push_back(dither());
    resampled.clear();
    resampler->add(clip.data(), clip.size(), resampled);
    const int from = static_cast<int>(synthesised * 100 / kFeatureRate);
    const int to = static_cast<int>(
        (synthesised + static_cast<std::int64_t>(last - first) * kFeatureRate / said.sampleRate) * 100 / kFeatureRate);
    // Counted on the input: the resampler keeps time (its sample n is the input's at n * from / to).
    synthesised += static_cast<std::int64_t>(clip.size()) * kFeatureRate / said.sampleRate;
    stream.add(resampled.data(), resampled.size());
    out.spans.push_back({from, std::max(from + 1, to)});
    out.spoken.push_back(k);
    report(static_cast<double>(k + 1) / static_cast<double>(transcript.sentences.size()));
  }
  if (resampler) {
    resampled.clear();
    resampler->finish(resampled);
    stream.add(resampled.data(), resampled.size());
  }
  out.features = stream.finish();
  return out;
}

// Of two alignments of one text, the one taken for the recording's, or of two taken, the
// one whose sentences are the more clearly their own.
bool clearerThan(const LongAlignment& a, const LongAlignment& b) {
  if (a.matches != b.matches) return a.matches;
  return a.ownShare < b.ownShare;
}

}  // namespace

int TranscriptAlignment::found() const {
  return static_cast<int>(std::count_if(sentences.begin(), sentences.end(), [](const auto& s) { return s.found; }));
}

TranscriptAlignment alignTranscript(const std::string& recording, std::string_view bytes, const std::string& name,
                                    const std::atomic<bool>* cancel, const std::function<void(double)>& progress) {
  const Transcript transcript = readTranscript(bytes);
  if (transcript.problem == TranscriptProblem::Binary) return failed(AlignOutcome::NotText, "这不是文本文件：" + name);
  if (transcript.problem == TranscriptProblem::Empty)
    return failed(AlignOutcome::EmptyTranscript, "文本里没有句子：" + name);
  const auto cancelled = [&] { return cancel && cancel->load(); };
  const auto report = [&](double share) {
    if (progress) progress(std::clamp(share, 0.0, 1.0));
  };

  // The recording, a piece at a time, to features.
  Failure failure;
  const auto decoder = audio::Decoder::open(recording, cancel, &failure);
  if (!decoder) {
    if (cancelled()) return failed(AlignOutcome::Cancelled, "已取消。");
    return failed(AlignOutcome::UnreadableRecording,
                  "无法读取这个语音文件：" + recording + "\n" + failureInChinese(failure));
  }
  const audio::SourceInfo& info = decoder->info();
  const int channels = std::max(1, info.channels);
  Resampler toFeatureRate(info.sampleRate, kFeatureRate);
  FeatureStream recordingStream(kFeatureRate);
  Dither dither;
  std::vector<float> block(static_cast<std::size_t>(kBlockFrames * channels)), mono, resampled;
  std::int64_t frames = 0;
  for (int got; (got = decoder->read(block.data(), kBlockFrames)) > 0;) {
    if (cancelled()) return failed(AlignOutcome::Cancelled, "已取消。");
    mono.resize(static_cast<std::size_t>(got));
    for (int f = 0; f < got; ++f) {
      float sum = 0;
      for (int c = 0; c < channels; ++c) sum += block[static_cast<std::size_t>(f * channels + c)];
      mono[static_cast<std::size_t>(f)] = sum / static_cast<float>(channels) + dither();
    }
    resampled.clear();
    toFeatureRate.add(mono.data(), mono.size(), resampled);
    recordingStream.add(resampled.data(), resampled.size());
    frames += got;
    if (info.lengthFrames > 0) report(0.3 * static_cast<double>(frames) / static_cast<double>(info.lengthFrames));
  }
  if (!decoder->failure().text().empty() || frames == 0)
    return failed(AlignOutcome::UnreadableRecording,
                  "无法读取这个语音文件：" + recording + "\n" +
                      (frames == 0 ? std::string("文件里没有声音。") : failureInChinese(decoder->failure())));
  resampled.clear();
  toFeatureRate.finish(resampled);
  recordingStream.add(resampled.data(), resampled.size());
  const Features heard = recordingStream.finish();

  TranscriptAlignment out;
  out.recordingMs = static_cast<double>(frames) * 1000.0 / info.sampleRate;
  for (const TranscriptSentence& sentence : transcript.sentences)
    out.sentences.push_back({sentence.text, sentence.line, false, 0, 0});

  // Mostly English: its synthesis is the further from the reader's voice, and a woman's
  // synthesis fits a man's reading badly and the other way round. Each is tried, and the
  // one under which the sentences are the more clearly their own is kept.
  const std::size_t han = static_cast<std::size_t>(std::count_if(transcript.sentences.begin(), transcript.sentences.end(),
                                                                 [](const TranscriptSentence& t) { return t.han; }));
  const bool english = han * 2 < transcript.sentences.size();
  const std::size_t voices = english ? kEnglishVoices.size() : 1;
  // Spoken one voice after the other (libespeak-ng is one engine a process), then warped side
  // by side: the man's voice's warp on a thread of its own, joined before this returns; the
  // progress is reported from this thread's.
  std::vector<Synthesis> said(voices);
  for (std::size_t v = 0; v < voices; ++v) {
    said[v] = synthesise(transcript, kEnglishVoices[v], dither, cancel, [&](double share) {
      report(0.3 + 0.2 * (static_cast<double>(v) + share) / static_cast<double>(voices));
    });
    if (cancelled()) return failed(AlignOutcome::Cancelled, "已取消。");
    if (said[v].spans.empty()) return failed(AlignOutcome::EmptyTranscript, "文本里没有能读出来的句子：" + name);
  }
  const LongAlignOptions options = english ? kDistantVoice : LongAlignOptions{};
  std::vector<LongAlignment> tried(voices);
  std::future<void> others;
  if (voices > 1)
    others = std::async(std::launch::async, [&] {
      for (std::size_t v = 1; v < voices; ++v)
        tried[v] = alignLong(said[v].features, said[v].spans, heard, cancel, {}, options);
    });
  tried[0] = alignLong(
      said[0].features, said[0].spans, heard, cancel, [&](double share) { report(0.5 + 0.5 * share); }, options);
  if (others.valid()) others.get();
  std::size_t best = 0;
  for (std::size_t v = 0; v < voices; ++v) {
    if (tried[v].cancelled) return failed(AlignOutcome::Cancelled, "已取消。");
    if (clearerThan(tried[v], tried[best])) best = v;
  }
  const LongAlignment& aligned = tried[best];
  const Synthesis& synthesis = said[best];
  const std::vector<std::size_t>& spoken = synthesis.spoken;
  const std::vector<SentenceFrames>& spans = synthesis.spans;
  double previous = -1;
  for (std::size_t s = 0; s < spans.size(); ++s) {
    const FoundSentence& f = aligned.sentences[s];
    if (!f.found) continue;
    AlignedSentence& sentence = out.sentences[spoken[s]];
    sentence.found = true;
    // Each start after the one before: the map holds one sentence a start.
    sentence.startMs = std::max(f.startMs, previous + 10);
    sentence.endMs = std::max(f.endMs, sentence.startMs + 10);
    previous = sentence.startMs;
  }
  if (!aligned.matches) {
    TranscriptAlignment none = failed(AlignOutcome::NoMatch, "这个文本和录音对不上：" + name);
    none.sentences = std::move(out.sentences);
    for (AlignedSentence& s : none.sentences) s.found = false;
    none.recordingMs = out.recordingMs;
    return none;
  }
  out.outcome = AlignOutcome::Aligned;
  report(1);
  return out;
}

TranscriptAlignment alignTranscriptFile(const std::string& recording, const std::string& transcriptPath,
                                        const std::atomic<bool>* cancel, const std::function<void(double)>& progress) {
  std::string bytes;
  const FileResult read = readFileBytes(transcriptPath, bytes);
  if (!read.ok) return failed(AlignOutcome::UnreadableTranscript, "无法读取这个文本文件：" + transcriptPath);
  return alignTranscript(recording, bytes, transcriptPath, cancel, progress);
}

std::string cachedMapPath(const std::string& recording, const std::string& cacheFolder) {
  const RecordingIdentity identity = identityOf(recording);
  if (!identity.known() || cacheFolder.empty()) return {};
  return (fs::path(cacheFolder) / ("map-" + identity.hash + ".lrc")).string();
}

KeptMap keepAlignedMap(const std::string& recording, const TranscriptAlignment& alignment, const std::string& cacheFolder) {
  KeptMap kept;
  if (alignment.outcome != AlignOutcome::Aligned || alignment.found() == 0) {
    kept.error = "没有对齐的句子，什么也没有保存。";
    return kept;
  }
  const std::string lrc = lrcText(alignment.sentences);
  const std::vector<std::string> companions = companionPaths(recording);
  const auto exists = [](const std::string& path) {
    struct stat there {};
    return ::lstat(path.c_str(), &there) == 0;
  };
  if (!companions.empty() && std::none_of(companions.begin(), companions.end(), exists)) {
    // Marked as the program's own, so a correction of it saved by hand replaces it unasked.
    const std::string marked = std::string(kMapLrcMark) + "\r\n" + lrc;
    if (writeNewFileAtomically(companions[0], marked).ok) return {true, true, companions[0], {}};
  }
  kept.path = cachedMapPath(recording, cacheFolder);
  std::error_code error;
  if (!kept.path.empty()) fs::create_directories(cacheFolder, error);
  if (kept.path.empty() || !writeFileAtomically(kept.path, lrc).ok) {
    kept.error = "无法保存句子表：" + (kept.path.empty() ? recording : kept.path);
    return kept;
  }
  kept.ok = true;
  return kept;
}

}  // namespace tessaly::align
