// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/engine/TranscriptAlignJob.h"

#include <filesystem>

#include "align/engine/TranscriptAligner.h"

namespace tessaly::align {

std::uint32_t TranscriptAlignJob::startFile(const std::string& recording, const std::string& transcriptPath) {
  return start(recording, transcriptPath, true);
}

std::uint32_t TranscriptAlignJob::startText(const std::string& recording, const std::string& text) {
  return start(recording, text, false);
}

std::uint32_t TranscriptAlignJob::start(const std::string& recording, const std::string& transcript, bool isFile) {
  return worker_.start([recording, transcript, isFile, cacheFolder = cacheFolder_](const std::atomic<bool>& cancel,
                                                                                   const auto& publish) {
    const auto progress = [&](double share) { publish([share](TranscriptAlignState& s) { s.share = share; }, false); };
    const TranscriptAlignment alignment = isFile ? alignTranscriptFile(recording, transcript, &cancel, progress)
                                                 : alignTranscript(recording, transcript, "粘贴的文本", &cancel, progress);
    if (alignment.outcome == AlignOutcome::Cancelled || cancel.load()) return;  // nothing kept, nothing said
    TranscriptAlignState done;
    done.share = 1;
    done.finished = true;
    done.sentences = static_cast<int>(alignment.sentences.size());
    done.found = alignment.found();
    for (const AlignedSentence& s : alignment.sentences)
      if (!s.found) done.leftOut.push_back(s.text);
    if (alignment.outcome != AlignOutcome::Aligned) {
      done.error = alignment.message;
    } else {
      const KeptMap kept = keepAlignedMap(recording, alignment, cacheFolder);
      done.error = kept.ok ? std::string() : kept.error;
      done.keptPath = kept.path;
      done.besideRecording = kept.besideRecording;
    }
    publish([&](TranscriptAlignState& s) { s = done; }, true);
  });
}

bool TranscriptAlignJob::state(std::uint32_t serial, TranscriptAlignState& state) const {
  return worker_.read(serial, [&](const TranscriptAlignState& s, bool) { state = s; });
}

}  // namespace tessaly::align
