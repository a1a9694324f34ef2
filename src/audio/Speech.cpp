// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/Speech.h"

#include <espeak-ng/speak_lib.h>

#include <mutex>

namespace tessaly::audio {

namespace {

std::mutex speechLock;    // libespeak-ng's state is the process's
Spoken* heard = nullptr;  // where the callback puts what it hears, under speechLock

int collect(short* samples, int count, espeak_EVENT* events) {
  if (!heard) return 0;
  if (samples && count > 0) heard->samples.insert(heard->samples.end(), samples, samples + count);
  for (espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e)
    if (e->type == espeakEVENT_WORD) heard->words.push_back({e->text_position, static_cast<double>(e->audio_position)});
  return 0;
}

// The engine's sample rate, once it is ready; 0 when it cannot start.
int startSpeech() {
  static const int rate = [] {
    const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
    if (r > 0) espeak_SetSynthCallback(collect);
    return r > 0 ? r : 0;
  }();
  return rate;
}

}  // namespace

Spoken speak(const std::string& text, const std::string& voice, int wordsPerMinute, int pitch, int pitchRange) {
  std::lock_guard lock(speechLock);
  Spoken spoken;
  const int rate = startSpeech();
  if (rate == 0 || espeak_SetVoiceByName(voice.c_str()) != EE_OK) return spoken;
  espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
  espeak_SetParameter(espeakPITCH, pitch, 0);
  espeak_SetParameter(espeakRANGE, pitchRange, 0);
  heard = &spoken;
  espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
  espeak_Synchronize();
  heard = nullptr;
  spoken.sampleRate = rate;
  return spoken;
}

}  // namespace tessaly::audio
