// SPDX-License-Identifier: GPL-3.0-or-later
// Where 跟读 takes are kept: $XDG_DATA_HOME/tessaly/takes/ (never beside the learner's
// recording), one FLAC file a take, named by the recording's identity and the sentence's start
// ("<hash>-<start ms>-<when>.flac"); the last three of each sentence are kept, and the folder
// stays under its cap (the oldest takes go first). A take that cannot be written is said why
// in words; a cap that cannot be read from settings.ini is said too, and the default kept.
//
// Threads: the caller's (a background worker's, or a command's): it reads and writes files.
// capOf is pure, any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

class TakeStore {
 public:
  static constexpr int kTakesPerSentence = 3;

  TakeStore(std::string folder, std::uintmax_t capBytes) : folder_(std::move(folder)), capBytes_(capBytes) {}

  struct Kept {
    std::string path;     // the take's file; "" when it could not be kept
    std::string failure;  // why not, in a sentence for the 提示窗口 ("" when kept)
  };
  // Keeps `samples` (mono, `rate`) as the newest take of the sentence starting at `startMs`
  // of the recording `recordingHash`, with `comment` in its tags (its score). A take that
  // cannot be written (no folder, a read-only or full disk) leaves the takes as they were.
  Kept keep(const std::string& recordingHash, std::int32_t startMs, const std::vector<float>& samples, int rate,
            const std::string& comment = {});
  // The sentence's takes, the newest first.
  std::vector<std::string> takesOf(const std::string& recordingHash, std::int32_t startMs) const;
  // All the takes' bytes.
  std::uintmax_t bytes() const;

  // The cap of settings.ini's takes_cap_mb (`setting`; nullopt when the file has none): a
  // whole number of MB, brought within kLeastCapMb to kMostCapMb. Anything else (a unit, a
  // fraction, a separator, nothing) keeps the default, and `fault` says so for the 提示窗口.
  // Pure.
  static constexpr std::uintmax_t kDefaultCapMb = 200, kLeastCapMb = 10, kMostCapMb = 100000;
  struct Cap {
    std::uintmax_t bytes = kDefaultCapMb << 20;
    std::string fault;  // "" when the value was read (or there was none)
  };
  static Cap capOf(const std::optional<std::string>& setting);

 private:
  const std::string folder_;
  const std::uintmax_t capBytes_;
};

}  // namespace tessaly
