// SPDX-License-Identifier: GPL-3.0-or-later
// FFmpeg's side of reading one source, shared by the decoder (audio/Decoder.cpp) and the
// length scan (audio/LengthScan.cpp): the opened container with its audio stream and that
// stream's decoder, the interrupt that makes FFmpeg give up a call, and FFmpeg's answers in
// the engine's terms. Only the engine's own sources include it, and the subtitle reader
// (sentences/engine/EmbeddedSubtitles.cpp), which must time its cues on the stream played.
//
// Threads: a Demux and its Interrupt belong to one thread at a time.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/mem.h>
}

#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "audio/SeekIndex.h"
#include "audio/StreamChoice.h"
#include "playback/Failure.h"

namespace tessaly::audio {

using Clock = std::chrono::steady_clock;

inline constexpr int kOpenTimeoutMs = 10000;          // a network entry that says nothing for this long fails
inline constexpr std::size_t kMaxAlloc = 256u << 20;  // no single FFmpeg allocation beyond this
inline constexpr int kMinRate = 1000, kMaxRate = 768000, kMaxChannels = 64;
inline constexpr const char* kLocalProtocols = "file";
inline constexpr const char* kNetworkProtocols = "file,http,https,tcp,tls,rtsp,rtp,udp,mmsh,mmst,httpproxy";

// FFmpeg quiet, and no allocation of its beyond kMaxAlloc (a damaged header asks for
// gigabytes); once per process, from any thread.
inline void prepareFfmpeg() {
  static std::once_flag once;
  std::call_once(once, [] {
    av_log_set_level(AV_LOG_QUIET);
    av_max_alloc(kMaxAlloc);
  });
}

// Gives up an FFmpeg call when the cancel flag is set or the deadline has passed.
struct Interrupt {
  const CancelFlag* cancel = nullptr;
  Clock::time_point deadline = Clock::time_point::max();
  static int check(void* opaque) {
    const auto* self = static_cast<const Interrupt*>(opaque);
    if (self->cancel && self->cancel->load(std::memory_order_relaxed)) return 1;
    return Clock::now() > self->deadline ? 1 : 0;
  }
};

// An input error of the device (a stick pulled out, a share gone) rather than the end.
inline bool isDeviceError(int rc) { return rc == AVERROR(EIO) || rc == AVERROR(ENXIO) || rc == AVERROR(ENODEV); }

inline std::string avError(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return buf;
}

// An opened container with its best audio stream and that stream's decoder.
struct Demux {
  AVFormatContext* fmt = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  int streamIndex = -1;
  bool picture = false;  // the file has a moving picture, which is not shown

  Demux() = default;
  Demux(const Demux&) = delete;
  Demux& operator=(const Demux&) = delete;
  ~Demux() { close(); }
  void close() {
    avcodec_free_context(&codec);
    if (fmt) avformat_close_input(&fmt);
    stream = nullptr;
    streamIndex = -1;
    picture = false;
  }

  // What the container says of each of its streams, for the choice of the one played.
  static std::vector<StreamFacts> streamFacts(const AVFormatContext* fmt) {
    std::vector<StreamFacts> facts(fmt->nb_streams);
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
      const AVStream* s = fmt->streams[i];
      StreamFacts& f = facts[i];
      if (const AVDictionaryEntry* tag = av_dict_get(s->metadata, "language", nullptr, 0)) f.language = tag->value;
      f.isDefault = (s->disposition & AV_DISPOSITION_DEFAULT) != 0;
      switch (s->codecpar->codec_type) {
        case AVMEDIA_TYPE_AUDIO:
          f.kind = StreamFacts::Kind::Audio;
          f.decodable = avcodec_find_decoder(s->codecpar->codec_id) != nullptr;
          break;
        case AVMEDIA_TYPE_VIDEO:
          f.kind = (s->disposition & AV_DISPOSITION_ATTACHED_PIC) ? StreamFacts::Kind::CoverPicture
                                                                  : StreamFacts::Kind::Picture;
          break;
        case AVMEDIA_TYPE_SUBTITLE: {
          const AVCodecDescriptor* d = avcodec_descriptor_get(s->codecpar->codec_id);
          f.kind = d && (d->props & AV_CODEC_PROP_TEXT_SUB) ? StreamFacts::Kind::TextSubtitle
                                                            : StreamFacts::Kind::OtherSubtitle;
          break;
        }
        default: f.kind = StreamFacts::Kind::Other;
      }
    }
    return facts;
  }

  // Opens `url`, finds the audio stream and opens its decoder; no failure or why not.
  Failure open(const std::string& url, Interrupt& interrupt) {
    close();
    fmt = avformat_alloc_context();
    if (!fmt) return FailureKind::OutOfMemory;
    fmt->interrupt_callback = {&Interrupt::check, &interrupt};
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", url.starts_with("file:") ? kLocalProtocols : kNetworkProtocols, 0);
    int rc = avformat_open_input(&fmt, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (rc < 0) {
      fmt = nullptr;  // freed by avformat_open_input
      return {FailureKind::NotAudio, avError(rc)};
    }
    if (fmt->probe_score < AVPROBE_SCORE_RETRY) return FailureKind::NotAudio;
    rc = avformat_find_stream_info(fmt, nullptr);
    if (rc < 0) return {FailureKind::BadStreamInformation, avError(rc)};
    const std::vector<StreamFacts> facts = streamFacts(fmt);
    streamIndex = chooseAudioStream(facts);
    if (streamIndex < 0) return FailureKind::NoAudioStream;
    picture = hasPicture(facts);
    stream = fmt->streams[streamIndex];
    for (unsigned i = 0; i < fmt->nb_streams; ++i)
      if (static_cast<int>(i) != streamIndex) fmt->streams[i]->discard = AVDISCARD_ALL;
    const AVCodecParameters* par = stream->codecpar;
    if (par->sample_rate < kMinRate || par->sample_rate > kMaxRate) return FailureKind::BadSampleRate;
    if (par->ch_layout.nb_channels < 1 || par->ch_layout.nb_channels > kMaxChannels) return FailureKind::BadChannelCount;
    return reopenCodec();
  }

  // (Re)creates the stream's decoder in its initial state; no failure or why not.
  Failure reopenCodec() {
    avcodec_free_context(&codec);
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) return FailureKind::NoAudioStream;
    codec = avcodec_alloc_context3(decoder);
    if (!codec) return FailureKind::OutOfMemory;
    if (avcodec_parameters_to_context(codec, stream->codecpar) < 0) return FailureKind::BadCodecParameters;
    codec->pkt_timebase = stream->time_base;
    const int rc = avcodec_open2(codec, decoder, nullptr);
    if (rc < 0) return {FailureKind::DecoderRefused, avError(rc)};
    return {};
  }

  bool seekable() const { return fmt && fmt->pb && (fmt->pb->seekable & AVIO_SEEKABLE_NORMAL); }
};

inline bool isPcmInPlainContainer(const Demux& d) {
  const char* name = avcodec_get_name(d.stream->codecpar->codec_id);
  const std::string format = d.fmt->iformat->name;
  return std::strncmp(name, "pcm_", 4) == 0 && (format == "wav" || format == "w64" || format == "aiff" || format == "au");
}

// Frames of the skip-samples side data of `pkt`: at the start and at the end.
inline std::pair<std::int64_t, std::int64_t> skipSamples(const AVPacket* pkt) {
  size_t size = 0;
  const std::uint8_t* data = av_packet_get_side_data(pkt, AV_PKT_DATA_SKIP_SAMPLES, &size);
  if (!data || size < 8) return {0, 0};
  return {AV_RL32(data), AV_RL32(data + 4)};
}

}  // namespace tessaly::audio
