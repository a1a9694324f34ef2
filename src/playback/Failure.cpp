// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/Failure.h"

namespace tessaly {

std::string Failure::text() const {
  std::string words;
  switch (kind) {
    case FailureKind::None: return {};
    case FailureKind::Missing: words = "the file does not exist"; break;
    case FailureKind::NotAFile: words = "not a file"; break;
    case FailureKind::Unreadable: words = "the file cannot be read"; break;
    case FailureKind::Empty: words = "the file is empty"; break;
    case FailureKind::NotAudio: words = "not a recognised audio file"; break;
    case FailureKind::BadStreamInformation: words = "unreadable stream information"; break;
    case FailureKind::NoAudioStream: words = "no audio that can be decoded"; break;
    case FailureKind::NothingDecoded: words = "no audio could be decoded"; break;
    case FailureKind::BadSampleRate: words = "unusable sample rate"; break;
    case FailureKind::BadChannelCount: words = "unusable channel count"; break;
    case FailureKind::BadCodecParameters: words = "unusable codec parameters"; break;
    case FailureKind::DecoderRefused: words = "the decoder refused the stream"; break;
    case FailureKind::ReadLost: words = "the file can no longer be read"; break;
    case FailureKind::ReopenFailed: words = "the file can no longer be opened"; break;
    case FailureKind::RamNothingPlays: words = "the .ram names nothing that plays"; break;
    case FailureKind::RamTooDeep: words = "too many .ram files inside each other"; break;
    case FailureKind::OutOfMemory: words = "out of memory"; break;
    case FailureKind::Cancelled: words = "cancelled"; break;
    case FailureKind::OpenTimedOut: words = "the open timed out"; break;
  }
  if (!detail.empty()) words += " (" + detail + ")";
  for (std::size_t i = 0; i < entries.size(); ++i)
    words += (i == 0 ? ": " : "; ") + entries[i].location + ": " + entries[i].text();
  return words;
}

}  // namespace tessaly
