// SPDX-License-Identifier: GPL-3.0-or-later
// Sentences found in the sound itself, for a recording without an .lrc or .srt: from the
// short-time loudness (an envelope of 10 ms frames, in dB), against the recording's own noise
// floor and speech level (no fixed threshold: quiet and loud recordings, a hiss under the
// speech). A pause of kSentencePauseMs or more ends a sentence; a shorter one (a comma) does
// not; a sentence shorter than kShortestSentenceMs joins its neighbour. Boundaries lie where
// the speech starts and stops, to the frame.
//
// Pure: an envelope in, sentences out; the caller decodes (sentences/engine/SentenceScanner.h) and may
// run it on what it has so far: sentences that end before the envelope's last pause are final.
#pragma once

#include <cstdint>
#include <vector>

#include "sentences/SentenceMap.h"

namespace tessaly {

inline constexpr int kEnvelopeFrameMs = 10;
inline constexpr int kSentencePauseMs = 350;
inline constexpr int kShortestSentenceMs = 800;

// The loudness of `frames` mono samples as one envelope value: 10·log10 of the mean square,
// floored at -120 dB.
float envelopeDb(const float* samples, int frames, int channels);

// Sentences in an envelope of kEnvelopeFrameMs frames, each from where its speech starts to
// where it stops (the pause after it belongs to none), none past `lengthMs` when that is
// known. Without speech (or too little to tell from noise), none.
std::vector<Sentence> findSentences(const std::vector<float>& envelope, std::int32_t lengthMs);

}  // namespace tessaly
