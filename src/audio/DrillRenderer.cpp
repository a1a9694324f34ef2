// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/DrillRenderer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "audio/Decoder.h"
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

// The encoder and the muxer of the output file: mono float frames in.
class Writer {
 public:
  ~Writer() {
    avcodec_free_context(&codec_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    if (fmt_) {
      if (fmt_->pb) avio_closep(&fmt_->pb);
      avformat_free_context(fmt_);
    }
  }

  // "" or why the file cannot be made.
  std::string open(const std::string& path, bool mp3, int rate) {
    if (avformat_alloc_output_context2(&fmt_, nullptr, mp3 ? "mp3" : "wav", path.c_str()) < 0 || !fmt_)
      return "无法建立输出文件。";
    const AVCodec* encoder = avcodec_find_encoder(mp3 ? AV_CODEC_ID_MP3 : AV_CODEC_ID_PCM_S16LE);
    if (!encoder) return mp3 ? "没有 MP3 编码器（FFmpeg 的 libmp3lame）。" : "没有 WAV 编码器。";
    codec_ = avcodec_alloc_context3(encoder);
    codec_->sample_rate = rate;
    av_channel_layout_default(&codec_->ch_layout, 1);
    codec_->sample_fmt = mp3 ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_S16;
    if (mp3) codec_->bit_rate = 96000;
    codec_->time_base = {1, rate};
    if (fmt_->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(codec_, encoder, nullptr) < 0)
      return "这个采样率（" + std::to_string(rate) + " Hz）无法编码成 " + (mp3 ? "MP3" : "WAV") + "。";
    AVStream* stream = avformat_new_stream(fmt_, nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, codec_) < 0) return "无法建立输出文件。";
    stream->time_base = codec_->time_base;
    if (avio_open(&fmt_->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "无法写入输出文件：" + path;
    if (avformat_write_header(fmt_, nullptr) < 0) return "无法写入输出文件：" + path;
    frameSize_ = codec_->frame_size > 0 ? codec_->frame_size : 4096;
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    return {};
  }

  // Mono frames, any number; false when a write failed.
  bool write(const float* in, std::size_t n) {
    pending_.insert(pending_.end(), in, in + n);
    while (pending_.size() >= static_cast<std::size_t>(frameSize_))
      if (!encode(frameSize_)) return false;
    return true;
  }

  bool finish() {
    if (!pending_.empty() && !encode(static_cast<int>(pending_.size()))) return false;
    if (!drain(nullptr)) return false;
    return av_write_trailer(fmt_) >= 0;
  }

 private:
  bool encode(int n) {
    av_frame_unref(frame_);
    frame_->nb_samples = n;
    frame_->format = codec_->sample_fmt;
    frame_->sample_rate = codec_->sample_rate;
    av_channel_layout_copy(&frame_->ch_layout, &codec_->ch_layout);
    if (av_frame_get_buffer(frame_, 0) < 0) return false;
    if (codec_->sample_fmt == AV_SAMPLE_FMT_FLTP) {
      std::copy_n(pending_.begin(), n, reinterpret_cast<float*>(frame_->data[0]));
    } else {
      auto* out = reinterpret_cast<std::int16_t*>(frame_->data[0]);
      for (int i = 0; i < n; ++i)
        out[i] = static_cast<std::int16_t>(
            std::lround(std::clamp(pending_[static_cast<std::size_t>(i)], -1.0f, 1.0f) * 32767.0f));
    }
    frame_->pts = pts_;
    pts_ += n;
    pending_.erase(pending_.begin(), pending_.begin() + n);
    return drain(frame_);
  }

  bool drain(AVFrame* frame) {
    if (avcodec_send_frame(codec_, frame) < 0) return false;
    for (;;) {
      const int rc = avcodec_receive_packet(codec_, packet_);
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
      if (rc < 0) return false;
      av_packet_rescale_ts(packet_, codec_->time_base, fmt_->streams[0]->time_base);
      packet_->stream_index = 0;
      if (av_interleaved_write_frame(fmt_, packet_) < 0) return false;
    }
  }

  AVFormatContext* fmt_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  int frameSize_ = 0;
  std::int64_t pts_ = 0;
  std::vector<float> pending_;
};

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
  Writer writer;
  if (std::string why = writer.open(temporary, mp3, rate); !why.empty()) {
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
