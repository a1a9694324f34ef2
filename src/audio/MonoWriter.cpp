// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/MonoWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tessaly::audio {

namespace {

// The rate nearest `rate` of those `encoder` lists, the higher of two as near; `rate` itself
// when it is listed or the encoder lists none.
int nearestRate(const AVCodec* encoder, int rate) {
  const int* rates = encoder->supported_samplerates;
  if (!rates) return rate;
  int best = 0;
  for (; *rates; ++rates) {
    if (*rates == rate) return rate;
    if (!best || std::abs(*rates - rate) < std::abs(best - rate) ||
        (std::abs(*rates - rate) == std::abs(best - rate) && *rates > best))
      best = *rates;
  }
  return best ? best : rate;
}

}  // namespace

MonoWriter::~MonoWriter() {
  swr_free(&resampler_);
  avcodec_free_context(&codec_);
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  if (fmt_) {
    if (fmt_->pb) avio_closep(&fmt_->pb);
    avformat_free_context(fmt_);
  }
}

int MonoWriter::fileRate() const { return codec_ ? codec_->sample_rate : 0; }

MonoWriter::OpenFailure MonoWriter::open(const std::string& path, Format format, int rate, const std::string& comment,
                                         OtherRate otherRate) {
  const bool mp3 = format == Format::Mp3, flac = format == Format::Flac;
  if (avformat_alloc_output_context2(&fmt_, nullptr, mp3 ? "mp3" : flac ? "flac" : "wav", path.c_str()) < 0 || !fmt_)
    return OpenFailure::CannotCreate;
  const AVCodec* encoder = avcodec_find_encoder(mp3 ? AV_CODEC_ID_MP3 : flac ? AV_CODEC_ID_FLAC : AV_CODEC_ID_PCM_S16LE);
  if (!encoder) return OpenFailure::NoEncoder;
  codec_ = avcodec_alloc_context3(encoder);
  if (!codec_) return OpenFailure::CannotCreate;
  const int encoded = otherRate == OtherRate::Resample ? nearestRate(encoder, rate) : rate;
  if (encoded != rate) {
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    if (swr_alloc_set_opts2(&resampler_, &mono, AV_SAMPLE_FMT_FLT, encoded, &mono, AV_SAMPLE_FMT_FLT, rate, 0, nullptr) <
            0 ||
        swr_init(resampler_) < 0)
      return OpenFailure::CannotCreate;
  }
  rate = encoded;
  codec_->sample_rate = rate;
  av_channel_layout_default(&codec_->ch_layout, 1);
  codec_->sample_fmt = mp3 ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_S16;
  if (mp3) codec_->bit_rate = 96000;
  codec_->time_base = {1, rate};
  if (fmt_->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(codec_, encoder, nullptr) < 0) return OpenFailure::RateRefused;
  AVStream* stream = avformat_new_stream(fmt_, nullptr);
  if (!stream || avcodec_parameters_from_context(stream->codecpar, codec_) < 0) return OpenFailure::CannotCreate;
  stream->time_base = codec_->time_base;
  if (avio_open(&fmt_->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return OpenFailure::CannotWrite;
  if (!comment.empty()) av_dict_set(&fmt_->metadata, "comment", comment.c_str(), 0);
  if (avformat_write_header(fmt_, nullptr) < 0) return OpenFailure::CannotWrite;
  frameSize_ = codec_->frame_size > 0 ? codec_->frame_size : 4096;
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  return OpenFailure::None;
}

bool MonoWriter::write(const float* in, std::size_t n) {
  if (resampler_) {
    resampled_.resize(static_cast<std::size_t>(swr_get_out_samples(resampler_, static_cast<int>(n))) + 16);
    auto* out = reinterpret_cast<std::uint8_t*>(resampled_.data());
    const auto* from = reinterpret_cast<const std::uint8_t*>(in);
    const int made = swr_convert(resampler_, &out, static_cast<int>(resampled_.size()), in ? &from : nullptr,
                                 static_cast<int>(n));
    if (made < 0) return false;
    in = resampled_.data();
    n = static_cast<std::size_t>(made);
  }
  pending_.insert(pending_.end(), in, in + n);
  while (pending_.size() >= static_cast<std::size_t>(frameSize_))
    if (!encode(frameSize_)) return false;
  return true;
}

bool MonoWriter::finish() {
  if (resampler_ && !write(nullptr, 0)) return false;  // what the resampler still holds
  if (!pending_.empty() && !encode(static_cast<int>(pending_.size()))) return false;
  if (!drain(nullptr)) return false;
  return av_write_trailer(fmt_) >= 0;
}

bool MonoWriter::encode(int n) {
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

bool MonoWriter::drain(AVFrame* frame) {
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

}  // namespace tessaly::audio
