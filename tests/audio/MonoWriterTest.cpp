// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's one writer of sound files: what it says when a file cannot be begun (a kind,
// which the rooms word for the learner), and that what it writes decodes to what it was given.
#include "audio/MonoWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

#include "AudioTestSupport.h"

namespace tessaly::test {
namespace {

using audio::MonoWriter;
using Format = MonoWriter::Format;
using OpenFailure = MonoWriter::OpenFailure;

TEST(MonoWriter, SaysWhyAFileCannotBeBegun) {
  TempDir dir;
  const struct {
    const char* name;
    Format format;
    int rate;
    std::string path;
    OpenFailure expected;
  } cases[] = {
      {"WAV at 16 kHz", Format::Wav, 16000, dir.file("a.wav"), OpenFailure::None},
      {"FLAC at 48 kHz", Format::Flac, 48000, dir.file("a.flac"), OpenFailure::None},
      {"MP3 at 44.1 kHz", Format::Mp3, 44100, dir.file("a.mp3"), OpenFailure::None},
      {"MP3 at 96 kHz, which MP3 has no rate for", Format::Mp3, 96000, dir.file("b.mp3"), OpenFailure::RateRefused},
      {"a folder that does not exist", Format::Wav, 16000, dir.file("no/such/folder/a.wav"), OpenFailure::CannotWrite},
      {"a path that is a folder", Format::Flac, 16000, dir.path().string(), OpenFailure::CannotWrite},
  };
  for (const auto& c : cases) {
    MonoWriter writer;
    EXPECT_EQ(writer.open(c.path, c.format, c.rate), c.expected) << c.name;
  }
}

TEST(MonoWriter, WhatItWritesDecodesToWhatItWasGiven) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  constexpr int kRate = 16000;
  std::vector<float> tone(kRate * 3 / 2);  // 1.5 s of 440 Hz, written in uneven pieces
  for (std::size_t i = 0; i < tone.size(); ++i)
    tone[i] = 0.5F * static_cast<float>(std::sin(2 * std::numbers::pi * 440 * static_cast<double>(i) / kRate));
  const struct {
    Format format;
    const char* name;
  } cases[] = {{Format::Wav, "a.wav"}, {Format::Flac, "a.flac"}, {Format::Mp3, "a.mp3"}};
  for (const auto& c : cases) {
    const std::string path = dir.file(c.name);
    {
      MonoWriter writer;
      ASSERT_EQ(writer.open(path, c.format, kRate), OpenFailure::None) << c.name;
      for (std::size_t at = 0, piece = 1; at < tone.size(); at += piece, piece = piece * 3 + 1)
        ASSERT_TRUE(writer.write(tone.data() + at, std::min(piece, tone.size() - at))) << c.name;
      ASSERT_TRUE(writer.finish()) << c.name;
    }
    const std::vector<float> back = referenceDecode(path, 1);
    if (c.format == Format::Mp3) {
      // The encoder's delay and padding: the tone is found again, loud as it was, its length
      // within a frame or two.
      EXPECT_NEAR(static_cast<double>(back.size()), static_cast<double>(tone.size()), 2 * 1152.0) << c.name;
      double energy = 0;
      for (float v : back) energy += static_cast<double>(v) * v;
      EXPECT_NEAR(std::sqrt(energy / static_cast<double>(back.size())), 0.5 / std::sqrt(2.0), 0.05) << c.name;
      continue;
    }
    ASSERT_EQ(back.size(), tone.size()) << c.name;
    double worst = 0;
    for (std::size_t i = 0; i < tone.size(); ++i) worst = std::max(worst, static_cast<double>(std::abs(back[i] - tone[i])));
    EXPECT_LT(worst, 1e-4) << c.name;  // lossless within 16 bits
  }
}

TEST(MonoWriter, ARateTheEncoderHasNotIsResampledWhenAskedKeepingLengthAndPitch) {
  if (!haveFfmpeg()) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  TempDir dir;
  const struct {
    int rate;
    int fileRate;
  } cases[] = {{96000, 48000}, {192000, 48000}, {88200, 48000}, {44100, 44100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    std::vector<float> tone(static_cast<std::size_t>(c.rate) * 3 / 2);  // 1.5 s of 440 Hz
    for (std::size_t i = 0; i < tone.size(); ++i)
      tone[i] = 0.5F * static_cast<float>(std::sin(2 * std::numbers::pi * 440 * static_cast<double>(i) / c.rate));
    const std::string path = dir.file("r" + std::to_string(c.rate) + ".mp3");
    {
      MonoWriter writer;
      ASSERT_EQ(writer.open(path, Format::Mp3, c.rate, {}, MonoWriter::OtherRate::Resample), OpenFailure::None);
      EXPECT_EQ(writer.fileRate(), c.fileRate);
      for (std::size_t at = 0, piece = 1; at < tone.size(); at += piece, piece = piece * 3 + 1)
        ASSERT_TRUE(writer.write(tone.data() + at, std::min(piece, tone.size() - at)));
      ASSERT_TRUE(writer.finish());
    }
    const std::vector<float> back = referenceDecode(path, 1);
    EXPECT_NEAR(static_cast<double>(back.size()), 1.5 * c.fileRate, 2 * 1152.0);
    int crossings = 0;
    for (std::size_t i = 1; i < back.size(); ++i) crossings += (back[i - 1] < 0) != (back[i] < 0) ? 1 : 0;
    EXPECT_NEAR(crossings, 2 * 440 * 1.5, 12) << "the tone's pitch";
  }
}

}  // namespace
}  // namespace tessaly::test
