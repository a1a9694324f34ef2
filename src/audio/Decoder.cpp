// SPDX-License-Identifier: GPL-3.0-or-later
// FFmpeg behind Decoder. Frame counting is ours: after a byte seek the decoder's frame
// number comes from the seek index (the packet's byte position), never from the
// container's timestamps, which several formats only estimate after a seek.
#include "audio/Decoder.h"

extern "C" {
#include <libswresample/swresample.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <optional>
#include <vector>

#include "audio/FfmpegSource.h"
#include "audio/RamFile.h"

namespace tessaly::audio {

namespace {

constexpr int kMaxRamDepth = 3;          // a .ram naming a .ram naming a .ram
constexpr int kFirstFramePackets = 512;  // packets read looking for the first decodable frame

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

std::string absolutePath(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  char buf[4096];
  if (!getcwd(buf, sizeof buf)) return path;
  return std::string(buf) + "/" + path;
}

// Frames decoded and dropped before a seek's target so the decoder has settled: a tenth of a
// second and at least eight codec frames for transform codecs (an MP3 frame can draw on the
// bits of the frames before it, and each overlaps the last), two seconds for the RealAudio
// speech codecs, whose filters and gains adapt slowly.
std::int64_t prerollFrames(const std::string& codec, int rate, int codecFrameSize) {
  const bool longMemory = codec == "ra_144" || codec == "ra_288" || codec == "sipr";
  if (longMemory) return 2 * static_cast<std::int64_t>(rate);
  return std::max<std::int64_t>(rate / 10, 8 * static_cast<std::int64_t>(codecFrameSize));
}

// What an MP3's Info (or Xing) frame says of the sound: how many frames follow it, and the
// encoder's delay and padding from its LAME extension, in samples.
struct InfoFrame {
  std::int64_t frames = 0;
  int samplesPerFrame = 0;
  int delay = 0, padding = 0;
};

// The length in bytes and the samples of the MPEG audio Layer III frame whose header starts at
// `h` (4 bytes), and the size of its side information; nullopt when it is none.
struct FrameHeader {
  int length = 0, samples = 0, sideInfo = 0;
};
std::optional<FrameHeader> layer3Header(const std::uint8_t* h) {
  if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return std::nullopt;
  const int version = (h[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  const int layer = (h[1] >> 1) & 3;    // 1 Layer III
  const int bitrateIndex = h[2] >> 4, rateIndex = (h[2] >> 2) & 3;
  if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return std::nullopt;
  static constexpr int kMpeg1Kbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  static constexpr int kMpeg2Kbps[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
  static constexpr int kRates[] = {44100, 48000, 32000};
  const bool one = version == 3;
  const int rate = kRates[rateIndex] >> (one ? 0 : version == 2 ? 1 : 2);
  const int kbps = (one ? kMpeg1Kbps : kMpeg2Kbps)[bitrateIndex];
  const bool mono = (h[3] >> 6) == 3;
  FrameHeader frame;
  frame.samples = one ? 1152 : 576;
  frame.length = frame.samples / 8 * kbps * 1000 / rate + ((h[2] >> 1) & 1);
  frame.sideInfo = one ? (mono ? 17 : 32) : (mono ? 9 : 17);
  return frame;
}

// The Info frame that ends exactly where `bytes` end (the bytes just before the first audio
// packet), with a frame count and a LAME extension; nullopt when there is none.
std::optional<InfoFrame> infoFrameBefore(const std::vector<std::uint8_t>& bytes) {
  const auto be = [&](std::size_t at, int n) {
    std::int64_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | bytes[at + static_cast<std::size_t>(i)];
    return v;
  };
  for (std::size_t start = bytes.size() >= 4 ? bytes.size() - 4 : 0; start-- > 0;) {
    const auto header = layer3Header(bytes.data() + start);
    if (!header || start + static_cast<std::size_t>(header->length) != bytes.size()) continue;
    std::size_t at = start + 4 + static_cast<std::size_t>(header->sideInfo);
    if (at + 8 > bytes.size()) continue;
    const std::string tag(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
    if (tag != "Info" && tag != "Xing") continue;
    const std::int64_t flags = be(at + 4, 4);
    at += 8;
    if (!(flags & 1)) return std::nullopt;  // no frame count: nothing exact to say
    InfoFrame info;
    info.frames = be(at, 4);
    info.samplesPerFrame = header->samples;
    at += 4 + (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
    // The LAME extension: the encoder's name (9 bytes), then 12 more, then delay and padding.
    if (at + 24 > bytes.size()) return std::nullopt;
    const std::int64_t trim = be(at + 21, 3);
    info.delay = static_cast<int>(trim >> 12);
    info.padding = static_cast<int>(trim & 0xFFF);
    return info;
  }
  return std::nullopt;
}

}  // namespace

struct Decoder::Impl {
  SourceInfo info;
  Interrupt interrupt;
  Demux demux;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  SwrContext* swr = nullptr;
  AVChannelLayout swrIn{};
  int swrInFormat = -1, swrInRate = 0;
  std::shared_ptr<SeekIndex> index;

  std::vector<float> pending;     // decoded, converted frames not yet read
  std::size_t pendingOffset = 0;  // in frames
  std::int64_t framePos = 0;      // file frame of pending[pendingOffset]
  bool drained = false;           // the decoder has given its last frame
  bool atEnd = false;
  bool pcm = false;
  std::int64_t pcmDataStart = -1;
  int pcmBytesPerFrame = 0;
  std::int64_t firstPacketPos = -1;
  // After a byte seek: frames are counted from the first packet found in the index, and the
  // container's skip-samples marks (valid only on a straight read) are dropped.
  bool syncByIndex = false;
  int unsyncedPackets = 0;
  bool byteSeeked = false;
  std::int64_t lastFramePos = -1;
  // Set when the source can no longer be read (it vanished, or a reopen or a fresh decoder
  // failed): from then on nothing touches FFmpeg and read() gives nothing.
  Failure broken;

  ~Impl() {
    swr_free(&swr);
    av_channel_layout_uninit(&swrIn);
    av_frame_free(&frame);
    av_packet_free(&packet);
  }

  std::size_t pendingFrames() const { return pending.size() / static_cast<std::size_t>(info.channels) - pendingOffset; }

  void clearPending() {
    pending.clear();
    pendingOffset = 0;
  }

  Failure openUrl(const std::string& url) {
    interrupt.deadline = Clock::now() + std::chrono::milliseconds(kOpenTimeoutMs);
    Failure error = demux.open(url, interrupt);
    interrupt.deadline = Clock::time_point::max();
    if (error.failed()) return error;
    drained = atEnd = syncByIndex = byteSeeked = false;
    clearPending();
    framePos = 0;
    avcodec_flush_buffers(demux.codec);
    return {};
  }

  bool convert(const AVFrame* f) {
    if (!swr || f->format != swrInFormat || f->sample_rate != swrInRate ||
        av_channel_layout_compare(&f->ch_layout, &swrIn) != 0) {
      swr_free(&swr);
      av_channel_layout_uninit(&swrIn);
      av_channel_layout_copy(&swrIn, &f->ch_layout);
      AVChannelLayout in{}, out{};
      if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || f->ch_layout.nb_channels == 0)
        av_channel_layout_default(&in, std::max(1, f->ch_layout.nb_channels));
      else av_channel_layout_copy(&in, &f->ch_layout);
      av_channel_layout_default(&out, info.channels);
      const int rc = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_FLT, info.sampleRate, &in,
                                         static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr);
      av_channel_layout_uninit(&in);
      av_channel_layout_uninit(&out);
      if (rc < 0 || swr_init(swr) < 0) {
        swr_free(&swr);
        return false;
      }
      swrInFormat = f->format;
      swrInRate = f->sample_rate;
    }
    if (pendingOffset > 0) {  // keep the buffer small: drop what has been read
      pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(pendingOffset * info.channels));
      pendingOffset = 0;
    }
    const int room = swr_get_out_samples(swr, f->nb_samples);
    if (room <= 0) return true;
    const std::size_t old = pending.size();
    pending.resize(old + static_cast<std::size_t>(room) * info.channels);
    auto* out = reinterpret_cast<std::uint8_t*>(pending.data() + old);
    const int got = swr_convert(swr, &out, room, const_cast<const std::uint8_t**>(f->extended_data), f->nb_samples);
    pending.resize(old + static_cast<std::size_t>(std::max(0, got)) * info.channels);
    return true;
  }

  // Reads the next packet of the audio stream into `packet`; false at the end or on error.
  // An input error of the device (a stick pulled out) breaks the source rather than ending it,
  // so its position is not taken for the length.
  bool readPacket() {
    for (;;) {
      av_packet_unref(packet);
      const int rc = av_read_frame(demux.fmt, packet);
      if (isDeviceError(rc)) {
        broken = {FailureKind::ReadLost, avError(rc)};
        return false;
      }
      if (rc < 0) return false;
      if (packet->stream_index == demux.streamIndex) return true;
    }
  }

  // Decodes until at least one frame is pending; false at the end of the source.
  bool decodeMore() {
    while (pendingFrames() == 0) {
      if (drained || broken.failed()) return false;
      const int rc = avcodec_receive_frame(demux.codec, frame);
      if (rc == 0) {
        // After a byte seek each packet's first frame says where it belongs: a decoder that
        // drops a frame it cannot decode yet (an MP3 frame whose bit reservoir lies before
        // the seek) must not shift the count.
        if (byteSeeked && frame->pkt_pos >= 0 && frame->pkt_pos != lastFramePos && index) {
          lastFramePos = frame->pkt_pos;
          if (const auto at = index->frameAt(frame->pkt_pos)) framePos = *at;
        }
        const bool ok = convert(frame);
        av_frame_unref(frame);
        if (!ok) return drained = true, false;
        continue;
      }
      if (rc == AVERROR_EOF) return drained = true, false;
      if (rc != AVERROR(EAGAIN)) return drained = true, false;
      if (!readPacket()) {
        if (broken.failed()) return false;
        avcodec_send_packet(demux.codec, nullptr);  // drain what the decoder still holds
        continue;
      }
      if (firstPacketPos < 0) firstPacketPos = packet->pos;
      if (syncByIndex) {
        const auto at = packet->pos >= 0 && index ? index->frameAt(packet->pos) : std::nullopt;
        if (!at) {
          if (++unsyncedPackets > 256) return drained = true, false;
          continue;
        }
        framePos = *at;
        syncByIndex = false;
      }
      if (byteSeeked) av_packet_free_side_data(packet);
      avcodec_send_packet(demux.codec, packet);  // a damaged packet is skipped
      av_packet_unref(packet);
    }
    return true;
  }

  std::int64_t cap() const {
    if (index && index->complete()) return index->totalFrames();
    return info.lengthExact ? info.lengthFrames : -1;
  }

  // Decodes and drops frames until framePos reaches `target` or the end.
  void skipTo(std::int64_t target) {
    while (framePos < target) {
      if (pendingFrames() == 0 && !decodeMore()) return;
      if (framePos >= target) return;  // a resync after a byte seek can land past the target
      const auto drop = std::min<std::int64_t>(static_cast<std::int64_t>(pendingFrames()), target - framePos);
      pendingOffset += static_cast<std::size_t>(drop);
      framePos += drop;
    }
  }

  bool byteSeek(std::int64_t pos) {
    clearPending();
    drained = false;
    if (av_seek_frame(demux.fmt, demux.streamIndex, pos, AVSEEK_FLAG_BYTE) < 0) return false;
    // A fresh decoder rather than a flushed one: some decoders (RealAudio among them) keep
    // their filter memory through a flush, and would start from the old place's state.
    Failure why = demux.reopenCodec();
    if (!why.failed()) return true;
    broken = std::move(why);
    return false;
  }

  // A failed reopen has closed the old source: the decoder is broken from here on.
  bool reopenAtStart() {
    const std::string url = info.url;
    const Failure why = openUrl(url);
    if (!why.failed()) return true;
    broken = {FailureKind::ReopenFailed, why.text()};
    return false;
  }
};

Decoder::Decoder(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Decoder::~Decoder() = default;

const SourceInfo& Decoder::info() const { return impl_->info; }
std::int64_t Decoder::position() const { return impl_->framePos; }
bool Decoder::reachedEnd() const { return impl_->atEnd; }
const Failure& Decoder::failure() const { return impl_->broken; }
void Decoder::setIndex(std::shared_ptr<SeekIndex> index) { impl_->index = std::move(index); }

namespace {

// An MP3's length from its Info frame, as FFmpeg decodes it: the container's duration counts
// every frame, the encoder's delay and padding and the decoder's own delay with them, which
// the decoding trims (gapless playback). FFmpeg's start time says it read the same delay; the
// end it trims is the padding less the decoder's delay. `counted` (the container's duration,
// in frames) where the Info frame says something else, or cannot be read.
std::int64_t gaplessMp3Length(Decoder::Impl& d, std::int64_t counted) {
  constexpr int kDecoderDelay = 529;  // samples: the MP3 decoder's own, which FFmpeg trims too
  AVIOContext* pb = d.demux.fmt->pb;
  const AVStream* st = d.demux.stream;
  if (!pb || !d.demux.seekable() || d.firstPacketPos <= 0 || st->start_time == AV_NOPTS_VALUE) return counted;
  const std::int64_t from = std::max<std::int64_t>(0, d.firstPacketPos - 4096);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(d.firstPacketPos - from));
  const std::int64_t was = avio_tell(pb);
  const bool read = avio_seek(pb, from, SEEK_SET) == from &&
                    avio_read(pb, bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size());
  avio_seek(pb, was, SEEK_SET);
  if (!read) return counted;
  const auto info = infoFrameBefore(bytes);
  if (!info || info->frames * info->samplesPerFrame != counted) return counted;
  const std::int64_t startSkip = av_rescale_q(st->start_time, st->time_base, AVRational{1, d.info.sampleRate});
  if (startSkip != info->delay + kDecoderDelay) return counted;
  const std::int64_t exact = counted - startSkip - std::max(0, info->padding - kDecoderDelay);
  return exact > 0 ? exact : counted;
}

// Opens one FFmpeg URL as a Decoder; no failure or why not.
Failure openMedia(Decoder::Impl& d, const std::string& url) {
  Failure error = d.openUrl(url);
  if (error.failed()) return error;
  const AVCodecParameters* par = d.demux.stream->codecpar;
  d.info.url = url;
  d.info.format = d.demux.fmt->iformat->name;
  d.info.codec = avcodec_get_name(par->codec_id);
  d.info.picture = d.demux.picture;
  d.info.sampleRate = par->sample_rate;
  d.info.channels = par->ch_layout.nb_channels == 1 ? 1 : 2;
  // The first frame proves that the source really decodes.
  for (int i = 0; i < kFirstFramePackets && d.pendingFrames() == 0; ++i)
    if (!d.decodeMore()) break;
  if (d.pendingFrames() == 0) return FailureKind::NothingDecoded;
  // A sample rate the decoder only learned while decoding.
  const AVRational tb = d.demux.stream->time_base;
  std::int64_t headerFrames = -1;
  if (d.demux.stream->duration > 0 && tb.num > 0)
    headerFrames = av_rescale_q(d.demux.stream->duration, tb, AVRational{1, d.info.sampleRate});
  else if (d.demux.fmt->duration > 0) headerFrames = av_rescale(d.demux.fmt->duration, d.info.sampleRate, AV_TIME_BASE);
  if (headerFrames > 0 && par->codec_id == AV_CODEC_ID_MP3) headerFrames = gaplessMp3Length(d, headerFrames);
  if (isPcmInPlainContainer(d.demux) && d.firstPacketPos >= 0 && d.demux.seekable()) {
    const int bytesPerSample = av_get_bits_per_sample(par->codec_id) / 8;
    d.pcmBytesPerFrame = bytesPerSample * par->ch_layout.nb_channels;
    if (d.pcmBytesPerFrame > 0 && (par->block_align == 0 || par->block_align == d.pcmBytesPerFrame)) {
      d.pcm = true;
      d.pcmDataStart = d.firstPacketPos;
      const std::int64_t size = avio_size(d.demux.fmt->pb);
      std::int64_t frames = size > d.pcmDataStart ? (size - d.pcmDataStart) / d.pcmBytesPerFrame : 0;
      if (headerFrames > 0) frames = std::min(frames, headerFrames);
      d.info.lengthFrames = frames;
      d.info.lengthExact = true;
      return {};
    }
  }
  d.info.lengthFrames = headerFrames;
  d.info.needsScan = d.demux.seekable();
  return {};
}

Failure openLocation(Decoder::Impl& d, const std::string& location, int depth) {
  if (hasUrlScheme(location) && !location.starts_with("file:")) return openMedia(d, location);
  std::string path = location;
  if (path.starts_with("file:")) {
    const auto entries = parseRamFile(path, ".");
    if (entries.empty()) return FailureKind::NotAFile;
    path = entries.front().location;
  }
  path = absolutePath(path);
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return FailureKind::Missing;
  if (!S_ISREG(st.st_mode)) return FailureKind::NotAFile;
  std::ifstream in(path, std::ios::binary);
  if (!in) return FailureKind::Unreadable;
  std::string head(kMaxRamFileBytes, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (head.empty()) return FailureKind::Empty;
  if (looksLikeRamText(head, static_cast<std::size_t>(st.st_size))) {
    if (depth >= kMaxRamDepth) return FailureKind::RamTooDeep;
    // Each entry that does not play is named with its own reason.
    Failure nothing{FailureKind::RamNothingPlays};
    for (const RamEntry& entry : parseRamFile(head, folderOf(path))) {
      if (d.interrupt.cancel && d.interrupt.cancel->load()) return FailureKind::Cancelled;
      Failure why = openLocation(d, entry.location, depth + 1);
      if (!why.failed()) return {};
      why.location = entry.location;
      nothing.entries.push_back(std::move(why));
    }
    return nothing;
  }
  return openMedia(d, "file:" + path);
}

}  // namespace

std::unique_ptr<Decoder> Decoder::open(const std::string& location, const CancelFlag* cancel, Failure* error) {
  prepareFfmpeg();
  auto impl = std::make_unique<Impl>();
  impl->interrupt.cancel = cancel;
  Failure why = impl->packet && impl->frame ? openLocation(*impl, location, 0) : Failure{FailureKind::OutOfMemory};
  if (why.failed()) {
    if (error) *error = std::move(why);
    return nullptr;
  }
  return std::unique_ptr<Decoder>(new Decoder(std::move(impl)));
}

int Decoder::read(float* out, int maxFrames) {
  Impl& d = *impl_;
  const std::int64_t cap = d.cap();
  int done = 0;
  while (done < maxFrames) {
    if (cap >= 0 && d.framePos >= cap) break;
    if (d.pendingFrames() == 0 && !d.decodeMore()) {
      d.atEnd = !d.broken.failed();
      break;
    }
    std::int64_t n = std::min<std::int64_t>(static_cast<std::int64_t>(d.pendingFrames()), maxFrames - done);
    if (cap >= 0) n = std::min(n, cap - d.framePos);
    const float* src = d.pending.data() + d.pendingOffset * static_cast<std::size_t>(d.info.channels);
    std::memcpy(out + static_cast<std::size_t>(done) * d.info.channels, src,
                static_cast<std::size_t>(n) * d.info.channels * sizeof(float));
    d.pendingOffset += static_cast<std::size_t>(n);
    d.framePos += n;
    done += static_cast<int>(n);
  }
  return done;
}

bool Decoder::seek(std::int64_t frame, const CancelFlag* cancel) {
  Impl& d = *impl_;
  if (d.broken.failed()) return false;
  d.atEnd = false;
  frame = std::max<std::int64_t>(0, frame);
  const std::int64_t cap = d.cap();
  if (cap >= 0) frame = std::min(frame, cap);
  if (d.pcm) {
    if (!d.byteSeek(d.pcmDataStart + frame * d.pcmBytesPerFrame)) return false;
    d.framePos = frame;
    return true;
  }
  // A short step forward is quicker decoded than sought.
  const std::int64_t nearAhead = d.info.sampleRate;  // one second
  if (frame >= d.framePos && frame - d.framePos <= nearAhead && !d.drained) {
    d.skipTo(frame);
    return d.framePos == frame;
  }
  const std::int64_t preroll = prerollFrames(d.info.codec, d.info.sampleRate, d.demux.stream->codecpar->frame_size);
  if (d.index && !d.index->failed() && frame > preroll) {
    d.index->waitFor(frame, cancel, 5000);
    if (const auto point = d.index->pointBefore(frame - preroll)) {
      if (d.byteSeek(point->pos)) {
        d.syncByIndex = true;
        d.byteSeeked = true;
        d.lastFramePos = -1;
        d.unsyncedPackets = 0;
        d.framePos = point->frame;
        d.skipTo(frame);
        if (d.framePos == frame) return true;
      }
      if (d.broken.failed()) return false;
    }
  }
  if (frame < d.framePos || d.drained) {
    if (!d.reopenAtStart()) return false;
  }
  d.skipTo(frame);
  return d.framePos == frame;
}

std::vector<float> readMono(Decoder& decoder, double startMs, double endMs) {
  const int rate = decoder.info().sampleRate, channels = decoder.info().channels;
  const auto first = static_cast<std::int64_t>(startMs * rate / 1000);
  const auto end = static_cast<std::int64_t>(endMs * rate / 1000);
  std::vector<float> mono;
  if (end <= first || !decoder.seek(first, nullptr)) return mono;
  std::vector<float> block(4096 * static_cast<std::size_t>(channels));
  for (std::int64_t at = decoder.position(); at < end;) {
    const int got = decoder.read(block.data(), static_cast<int>(std::min<std::int64_t>(4096, end - at)));
    if (got <= 0) break;
    for (int i = 0; i < got; ++i) {
      float sum = 0;
      for (int c = 0; c < channels; ++c) sum += block[static_cast<std::size_t>(i * channels + c)];
      mono.push_back(sum / static_cast<float>(channels));
    }
    at += got;
  }
  return mono;
}

}  // namespace tessaly::audio
