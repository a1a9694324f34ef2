// SPDX-License-Identifier: GPL-3.0-or-later
// Why a recording cannot be played, as the decoder and the devices find it: a kind the
// program words for the user (playback/FailureText.h), with FFmpeg's own words and, for a
// .ram, each entry's own failure. Plain data; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tessaly {

enum class FailureKind : std::uint8_t {
  None,
  Missing,               // the file does not exist
  NotAFile,              // a folder, a device, or a file: URL that names nothing
  Unreadable,            // it exists but cannot be read (permissions)
  Empty,                 // not one byte
  NotAudio,              // no container FFmpeg recognises
  BadStreamInformation,  // the container's stream information cannot be read
  NoAudioStream,         // no audio stream with a decoder
  NothingDecoded,        // an audio stream, but not one frame decodes
  BadSampleRate,
  BadChannelCount,
  BadCodecParameters,
  DecoderRefused,
  ReadLost,         // the source could be read, then no longer (a stick pulled out)
  ReopenFailed,     // a reopen for a seek failed: the file vanished meanwhile
  RamNothingPlays,  // a .ram none of whose entries plays (`entries` says why each not)
  RamTooDeep,       // .ram files naming each other too deep
  OutOfMemory,
  Cancelled,
  OpenTimedOut,  // the file did not open within the time an open may take
};

struct Failure {
  FailureKind kind = FailureKind::None;
  std::string detail;            // FFmpeg's words, when it gave any
  std::string location;          // the .ram entry this is the failure of
  std::vector<Failure> entries;  // RamNothingPlays: each entry's own failure

  Failure() = default;
  // Implicit: the decoder's steps return a kind where they have nothing to add.
  Failure(FailureKind k, std::string d = {}) : kind(k), detail(std::move(d)) {}

  bool failed() const { return kind != FailureKind::None; }
  // In English, for logs, the probe and test messages.
  std::string text() const;
};

}  // namespace tessaly
