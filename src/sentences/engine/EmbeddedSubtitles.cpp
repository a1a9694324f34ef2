// SPDX-License-Identifier: GPL-3.0-or-later
#include "sentences/engine/EmbeddedSubtitles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <memory>
#include <mutex>
#include <vector>

#include "audio/FfmpegSource.h"
#include "audio/StreamChoice.h"

namespace tessaly::subtitles {

namespace {

constexpr std::size_t kMaxCuesPerStream = kMaxSentences * 4;
constexpr std::size_t kSampleBytes = 4096;  // enough words to tell Chinese from the rest

int interrupted(void* opaque) {
  const auto* cancel = static_cast<const std::atomic<bool>*>(opaque);
  return cancel && cancel->load(std::memory_order_relaxed) ? 1 : 0;
}

struct Input {
  AVFormatContext* fmt = nullptr;
  std::vector<AVCodecContext*> decoders;  // by stream number; null for the streams not decoded
  ~Input() {
    for (AVCodecContext*& decoder : decoders) avcodec_free_context(&decoder);
    if (fmt) avformat_close_input(&fmt);
  }
};

struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};

std::int64_t toMs(std::int64_t value, AVRational timeBase) { return av_rescale_q(value, timeBase, AVRational{1, 1000}); }

// The words of one decoded subtitle: its rectangles' texts, joined as a cue's lines are.
std::string wordsOf(const AVSubtitle& sub) {
  std::string raw;
  for (unsigned i = 0; i < sub.num_rects; ++i) {
    const AVSubtitleRect* rect = sub.rects[i];
    if (rect->type == SUBTITLE_ASS && rect->ass) raw += assEventText(rect->ass) + "\n";
    else if (rect->type == SUBTITLE_TEXT && rect->text) raw += std::string(rect->text) + "\n";
  }
  return cueText(raw, CueMarkup::Srt);
}

}  // namespace

SubtitleFinding readEmbeddedSubtitles(const std::string& path, std::int32_t lengthMs, int preferredStream,
                                      const std::atomic<bool>* cancel) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
  SubtitleFinding found;
  if (path.empty() || path.find("://") != std::string::npos) return found;  // local files only

  Input in;
  in.fmt = avformat_alloc_context();
  if (!in.fmt) return found;
  in.fmt->interrupt_callback = {&interrupted, const_cast<std::atomic<bool>*>(cancel)};
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  const int opened = avformat_open_input(&in.fmt, ("file:" + path).c_str(), nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) {
    in.fmt = nullptr;  // freed by avformat_open_input
    return found;
  }
  if (avformat_find_stream_info(in.fmt, nullptr) < 0) return found;

  // Times of the sound: the program's positions start at the first sample of the audio
  // stream the decoder plays.
  std::int64_t soundStartMs = 0;
  const int audio = audio::chooseAudioStream(audio::Demux::streamFacts(in.fmt));
  if (audio >= 0 && in.fmt->streams[audio]->start_time != AV_NOPTS_VALUE)
    soundStartMs = std::max<std::int64_t>(0, toMs(in.fmt->streams[audio]->start_time, in.fmt->streams[audio]->time_base));

  in.decoders.assign(in.fmt->nb_streams, nullptr);
  std::vector<std::vector<Cue>> cues(in.fmt->nb_streams);
  std::vector<int> listed(in.fmt->nb_streams, -1);  // a stream's place in found.streams
  bool anyDecoded = false;
  for (unsigned i = 0; i < in.fmt->nb_streams; ++i) {
    AVStream* st = in.fmt->streams[i];
    st->discard = AVDISCARD_ALL;
    if (st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) continue;
    SubtitleStream stream;
    stream.index = static_cast<int>(i);
    if (const AVDictionaryEntry* language = av_dict_get(st->metadata, "language", nullptr, 0))
      stream.language = language->value;
    stream.codec = avcodec_get_name(st->codecpar->codec_id);
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(st->codecpar->codec_id);
    if (descriptor && (descriptor->props & AV_CODEC_PROP_BITMAP_SUB)) stream.kind = SubtitleKind::Bitmap;
    else if (descriptor && (descriptor->props & AV_CODEC_PROP_TEXT_SUB)) stream.kind = SubtitleKind::Text;
    listed[i] = static_cast<int>(found.streams.size());
    found.streams.push_back(stream);
    if (stream.kind != SubtitleKind::Text) continue;
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) continue;
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    if (!decoder) continue;
    in.decoders[i] = decoder;
    decoder->pkt_timebase = st->time_base;
    if (avcodec_parameters_to_context(decoder, st->codecpar) < 0 || avcodec_open2(decoder, codec, nullptr) < 0) {
      avcodec_free_context(&in.decoders[i]);
      continue;
    }
    st->discard = AVDISCARD_DEFAULT;
    anyDecoded = true;
  }

  if (anyDecoded) {
    const std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!packet) return found;
    while (av_read_frame(in.fmt, packet.get()) >= 0) {
      if (cancel && cancel->load()) return {};
      const int index = packet->stream_index;
      AVCodecContext* decoder = index >= 0 && index < static_cast<int>(in.decoders.size()) ? in.decoders[index] : nullptr;
      const std::int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
      if (decoder && pts != AV_NOPTS_VALUE && cues[index].size() < kMaxCuesPerStream) {
        AVSubtitle sub{};
        int got = 0;
        if (avcodec_decode_subtitle2(decoder, &sub, &got, packet.get()) >= 0 && got) {
          const AVRational timeBase = in.fmt->streams[index]->time_base;
          const std::int64_t start = toMs(pts, timeBase) + sub.start_display_time - soundStartMs;
          std::int64_t end = 0;  // unknown: until the next cue
          if (packet->duration > 0) end = start + toMs(packet->duration, timeBase);
          else if (sub.end_display_time > sub.start_display_time && sub.end_display_time != UINT32_MAX)
            end = start + (sub.end_display_time - sub.start_display_time);
          // A cue without words (mov_text's gaps, an ASS sign's drawing) is no sentence here.
          if (std::string words = wordsOf(sub); !words.empty() && start >= 0)
            cues[index].push_back({start, end, std::move(words)});
          avsubtitle_free(&sub);
        }
      }
      av_packet_unref(packet.get());
    }
  }

  for (unsigned i = 0; i < in.fmt->nb_streams; ++i) {
    if (listed[i] < 0) continue;
    std::string& sample = found.streams[static_cast<std::size_t>(listed[i])].sample;
    for (const Cue& cue : cues[i]) {
      if (sample.size() >= kSampleBytes) break;
      sample += cue.text + "\n";
    }
  }
  const StreamChoice choice = chooseSubtitleStream(found.streams, preferredStream);
  if (choice.index < 0) {
    found.map.note = subtitleProblemWords(choice.problem);
    return found;
  }
  found.map.sentences = sentencesFromCues(cues[static_cast<std::size_t>(choice.index)], lengthMs);
  if (found.map.sentences.empty()) return found;
  found.map.source = SentenceSource::Embedded;
  found.map.stream = choice.index;
  found.map.language = found.streams[static_cast<std::size_t>(listed[choice.index])].language;
  return found;
}

}  // namespace tessaly::subtitles
