// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/LengthScan.h"

#include <vector>

#include "audio/FfmpegSource.h"

namespace tessaly::audio {

void scanSource(const std::string& url, SeekIndex& index, const CancelFlag& cancel) {
  prepareFfmpeg();
  Interrupt interrupt;
  interrupt.cancel = &cancel;
  interrupt.deadline = Clock::now() + std::chrono::milliseconds(kOpenTimeoutMs);
  Demux demux;
  if (demux.open(url, interrupt).failed() || !demux.seekable()) {
    index.fail();
    return;
  }
  interrupt.deadline = Clock::time_point::max();
  const AVCodecParameters* par = demux.stream->codecpar;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  std::vector<SeekIndex::Point> batch;
  std::int64_t frames = 0, skipLeft = 0, lastPos = -1;
  int mode = 0;  // 0 undecided, 1 frames from the packet size, 2 frames by decoding
  bool ok = packet && frame;
  while (ok && !cancel.load(std::memory_order_relaxed)) {
    const int rc = av_read_frame(demux.fmt, packet);
    // A device's error is no end: what was counted is short, and the length stays estimated.
    if (isDeviceError(rc)) ok = false;
    if (rc < 0) break;
    if (packet->stream_index != demux.streamIndex) {
      av_packet_unref(packet);
      continue;
    }
    std::int64_t n = av_get_audio_frame_duration2(const_cast<AVCodecParameters*>(par), packet->size);
    if (mode == 0) mode = n > 0 ? 1 : 2;
    const auto [skipStart, skipEnd] = skipSamples(packet);
    if (packet->pos > lastPos && skipLeft == 0 && skipStart == 0 && skipEnd == 0) {
      batch.push_back({packet->pos, frames});
      lastPos = packet->pos;
    }
    if (mode == 1) {
      skipLeft += skipStart;
      const std::int64_t skipped = std::min(skipLeft, std::max<std::int64_t>(0, n));
      skipLeft -= skipped;
      n = std::max<std::int64_t>(0, n - skipped - skipEnd);
    } else {
      n = 0;  // the decoder applies the skip marks itself
      if (avcodec_send_packet(demux.codec, packet) >= 0)
        while (avcodec_receive_frame(demux.codec, frame) == 0) {
          n += frame->nb_samples;
          av_frame_unref(frame);
        }
    }
    frames += n;
    av_packet_unref(packet);
    if (batch.size() >= 1024) {
      index.append(batch, frames);
      batch.clear();
    }
  }
  if (ok && mode == 2 && !cancel.load()) {
    avcodec_send_packet(demux.codec, nullptr);
    while (avcodec_receive_frame(demux.codec, frame) == 0) {
      frames += frame->nb_samples;
      av_frame_unref(frame);
    }
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  index.append(batch, frames);
  if (!ok || cancel.load()) {
    index.fail();
    return;
  }
  index.finish(frames);
}

}  // namespace tessaly::audio
