// SPDX-License-Identifier: GPL-3.0-or-later
// A video with Chinese subtitles (an MKV the ffmpeg command-line tool makes) opened from the
// dialog in the real window: its sentences come from its subtitles, read on their own thread,
// and the practice window lists them and offers the English stream instead, kept for it.
#include <QComboBox>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "MainWindowFixture.h"
#include "qt/MainWindow.h"
#include "qt/PracticeWindow.h"
#include "sentences/engine/SubtitleScanner.h"
#include "settings/UserSettings.h"
#include "support/MemoryFolder.h"

namespace tessaly::test {
namespace {

class SubtitlesWindowTest : public MainWindowFixture {
 protected:
  // Polls the window's timers until `done`, for at most ten seconds.
  template <typename Done>
  bool waitFor(Done done) {
    for (int i = 0; i < 1000 && !done(); ++i) QTest::qWait(10);
    return done();
  }

  MemoryFolder config;
  UserSettings settings{config};
  subtitles::SubtitleScanner scanner;
};

TEST_F(SubtitlesWindowTest, AnMkvWithChineseSubtitlesOpensFromTheDialogWithItsSentences) {
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "the ffmpeg command-line tool is missing";
  const auto voice = appPath / "voice";
  std::ofstream(voice / "en.srt") << "1\n00:00:01,000 --> 00:00:02,000\nHello.\n\n2\n00:00:04,000 --> 00:00:05,000\nBye.\n";
  std::ofstream(voice / "zh.ass")
      << "[Script Info]\nScriptType: v4.00+\n\n[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, "
         "Text\nDialogue: 0,0:00:01.00,0:00:03.00,Default,,0,0,0,,{\\k20}你好，\\N朋友。\n"
         "Dialogue: 0,0:00:04.00,0:00:05.00,Default,,0,0,0,,再见。\n";
  const std::string film = (voice / "film.mkv").string();
  const std::string command = "cd '" + voice.string() +
                              "' && ffmpeg -nostdin -v error -y -f lavfi -i sine=duration=8 -i en.srt -i zh.ass -map 0 "
                              "-map 1 -map 2 -c:a flac -c:s:0 srt -c:s:1 ass -metadata:s:s:0 language=eng "
                              "-metadata:s:s:1 language=chi film.mkv";
  ASSERT_EQ(std::system(command.c_str()), 0);
  mci.addFile(film, 8000);
  stream.addFile(film, 8000);
  makeWindow([this](qt::MainWindowServices& services) {
    services.settings = &settings;
    services.subtitleScan = &scanner;
  });

  dialog.answer(film);
  QTest::keyClick(window->text1(), Qt::Key_F, Qt::AltModifier);
  ASSERT_TRUE(waitFor([&] { return window->form().player().sentenceMap().source == SentenceSource::Embedded; }));
  const SentenceMap& map = window->form().player().sentenceMap();
  EXPECT_EQ(map.language, "chi");
  ASSERT_EQ(map.sentences.size(), 2u);
  EXPECT_EQ(map.sentences[0].text, "你好，朋友。");
  EXPECT_EQ(map.sentences[1].startMs, 4000);

  QTest::keyClick(window->text1(), Qt::Key_W, Qt::AltModifier);
  qt::PracticeWindow& practice = *window->practiceWindow();
  practice.frame();
  auto* choices = practice.findChild<QComboBox*>(QStringLiteral("SubtitleStreams"));
  ASSERT_NE(choices, nullptr);
  EXPECT_FALSE(choices->isHidden());
  ASSERT_EQ(choices->count(), 2);
  EXPECT_EQ(choices->currentIndex(), 1);
  EXPECT_TRUE(choices->itemText(1).contains(QStringLiteral("中文")));

  choices->setCurrentIndex(0);
  Q_EMIT choices->activated(0);
  ASSERT_TRUE(waitFor([&] { return window->form().player().sentenceMap().stream == 1; }));
  EXPECT_EQ(window->form().player().sentenceMap().sentences[0].text, "Hello.");
  EXPECT_EQ(window->form().player().chosenSubtitleStream(film), 1) << "kept for the recording";
  practice.frame();
  EXPECT_EQ(choices->currentIndex(), 0);
}

}  // namespace
}  // namespace tessaly::test
