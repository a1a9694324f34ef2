// SPDX-License-Identifier: GPL-3.0-or-later
// Which audio stream of a file is played, and whether the file has a picture the program
// does not show. Pure, with no FFmpeg in sight: the decoder hands over what the container
// says of its streams.
//
// The sound follows the text: a video's own subtitles become its sentences, a Chinese stream
// first (sentences/Subtitles.h), so the audio stream in the language of the first Chinese
// subtitle stream is played, or else in that of the first subtitle stream with a language
// tag; without such a match, the first audio stream marked as the default, or else the first.
// Every reader of a file (the player, the scans, the aligners, the drill) opens it through
// the decoder and so hears the same stream.
//
// Any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaly::audio {

struct StreamFacts {
  enum class Kind { Audio, TextSubtitle, OtherSubtitle, Picture, CoverPicture, Other };
  Kind kind = Kind::Other;
  std::string language;  // the container's tag ("chi", "zh-CN", "eng"), "" without one
  bool isDefault = false;
  bool decodable = true;  // for audio: a decoder is at hand
};

// The language a tag names, in one spelling: ISO 639-2 (B and T) and 639-1 codes of the
// common languages and any region or script after "-" or "_" folded together
// ("chi", "zho", "zh-CN", "cmn" → "zh"; "eng", "en-US" → "en"); other tags lower-cased
// without their region; "" for none or "und".
std::string languageOf(std::string_view tag);

// The position in `streams` of the audio stream to play (see above); -1 when none can be.
int chooseAudioStream(const std::vector<StreamFacts>& streams);

// A moving picture (not only a cover image).
bool hasPicture(const std::vector<StreamFacts>& streams);

}  // namespace tessaly::audio
