// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's logic: start-up, routing of every way into a command, opening files
// and lists, and leaving the program.
#include "app/Form1.h"

#include <gtest/gtest.h>

#include <map>
#include <string_view>
#include <vector>

#include "Form1Rig.h"
#include "playback/PlayerLayouts.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

TEST(Form1Start, StateAfterLoadAndTheFirstShowing) {
  Form1Rig rig;
  rig.window.top = 1000;
  rig.start();
  const Form1& form = *rig.form;
  EXPECT_EQ(form.variables().segmentStart, 1.0);
  EXPECT_EQ(form.variables().segmentEnd, 1.0);
  EXPECT_EQ(form.variables().repeatState, RepeatState::NothingPlayed);
  EXPECT_EQ(form.variables().reopening, 0);
  EXPECT_EQ(form.variables().startStage, 0);
  EXPECT_EQ(form.engineKind(), EngineKind::Mci);
  EXPECT_EQ(form.listIndex(), 1);
  EXPECT_EQ(form.listEntry(1), "end");
  EXPECT_EQ(form.pathFile(), rig.appPath.string() + "/path.ini");
  EXPECT_EQ(form.settingsFile(), rig.appPath.string() + "/900_8.dat");

  // Enabled buttons: everything but the player buttons that need a file.
  std::string enabled;
  for (int n = 1; n <= layout::kButtonCount; ++n) enabled += rig.button(n).enabled() ? 'T' : 'F';
  EXPECT_EQ(enabled, "FTFFTFFFFFFTTTTTTTTTTTTTTTTT");
  EXPECT_FALSE(rig.label(13).enabled());
  EXPECT_FALSE(rig.label(18).enabled());
  EXPECT_TRUE(rig.label(12).enabled());

  EXPECT_EQ(rig.focus.owner, "Command5");
  EXPECT_EQ(rig.visiblePicture(), 1);
  EXPECT_EQ(rig.label(1).caption(), captions::kWaiting);
  EXPECT_EQ(rig.label(2).caption(), "语音文件名");
  EXPECT_EQ(rig.label(6).caption(), "00:00.0");
  EXPECT_EQ(rig.text1.text(), Form1::usageText());
  EXPECT_EQ(rig.window.width, 12050);
  EXPECT_EQ(rig.window.height, 8580);
  EXPECT_EQ(rig.window.top, 1000 - 480);

  EXPECT_FALSE(rig.timer1->enabled());
  EXPECT_FALSE(rig.timer2->enabled());
  EXPECT_TRUE(rig.timer3->enabled());
  EXPECT_TRUE(rig.timer6->enabled());
  EXPECT_EQ(rig.timer1->interval(), 600);
  EXPECT_EQ(rig.timer2->interval(), 100);
  EXPECT_EQ(rig.timer3->interval(), 20);
  EXPECT_EQ(rig.timer6->interval(), 1000);
  EXPECT_EQ(rig.page.navigations, (std::vector<std::string>{rig.appPath.string() + "/0091.htm"}));
  EXPECT_EQ(rig.text1.fontSize(), 64);  // the default appearance record
}

TEST(Form1Start, UsageTextIsExact) {
  const std::string text = Form1::usageText();
  const std::string space = "\u3000";
  EXPECT_EQ(text.substr(0, 2), "\r\n");
  EXPECT_EQ(text.substr(2, 4 + 6 * 3), "    " + space + space + space + space + space + space);
  std::size_t separators = 0, ideographic = 0;
  for (std::size_t at = text.find("\r\n\r\n"); at != std::string::npos; at = text.find("\r\n\r\n", at + 4)) ++separators;
  for (std::size_t at = text.find(space); at != std::string::npos; at = text.find(space, at + 1)) ++ideographic;
  EXPECT_EQ(separators, 7u);
  EXPECT_EQ(ideographic, 13u);
  EXPECT_NE(text.find("    2、按快捷键" + space + "Alt+F 或" + space + "选择下面“打开文件”按钮"), std::string::npos);
  EXPECT_TRUE(text.ends_with("    7、按快捷键 Alt + Q 退出" + space));  // nothing after the last line
}

TEST(Form1Start, ReturningFromTheListManagerKeepsTheWindowAndTheDictation) {
  Form1Rig rig;
  rig.start();
  rig.open(rig.audio("lesson.mp3"));
  rig.text1.setText("我听到的话");
  const int top = rig.window.top;
  rig.form->run(Command::ManageLists);
  EXPECT_EQ(rig.listManagerOpened, 1);
  rig.form->activate();
  EXPECT_EQ(rig.text1.text(), "我听到的话");
  EXPECT_EQ(rig.window.top, top);
}

TEST(Form1Routing, EngineKindOneAloneSelectsTheMciBackEnd) {
  EXPECT_FALSE(Form1::usesMciBackEnd(EngineKind::None));
  EXPECT_TRUE(Form1::usesMciBackEnd(EngineKind::Mci));
  EXPECT_FALSE(Form1::usesMciBackEnd(EngineKind::Stream));
  EXPECT_FALSE(Form1::usesMciBackEnd(static_cast<EngineKind>(3)));
  EXPECT_FALSE(Form1::usesMciBackEnd(static_cast<EngineKind>(-1)));
}

TEST(Form1Routing, EveryButtonAndClickAreaNamesItsCommand) {
  const std::pair<int, Command> buttons[] = {
      {1, Command::Start},       {2, Command::Exit},        {3, Command::Repeat},        {4, Command::ToEnd},
      {5, Command::OpenFile},    {6, Command::Pause},       {7, Command::Continue},      {8, Command::Forward},
      {9, Command::Rewind},      {10, Command::Stop},       {11, Command::Start},        {12, Command::Exit},
      {13, Command::Repeat},     {14, Command::ToEnd},      {15, Command::OpenFile},     {16, Command::Pause},
      {17, Command::Continue},   {18, Command::Forward},    {19, Command::Rewind},       {20, Command::Stop},
      {21, Command::SaveText},   {22, Command::FontBigger}, {23, Command::FontSmaller},  {24, Command::Bold},
      {25, Command::TextColour}, {26, Command::BackColour}, {27, Command::OpenPlayList}, {28, Command::ManageLists},
  };
  for (const auto& [number, command] : buttons) EXPECT_EQ(Form1::commandOfButton(number), command) << number;

  const std::pair<int, Command> areas[] = {
      {12, Command::OpenFile},    {13, Command::Repeat},     {14, Command::Stop},       {15, Command::Forward},
      {16, Command::Rewind},      {17, Command::Pause},      {18, Command::Continue},   {19, Command::Start},
      {20, Command::Exit},        {4, Command::FontBigger},  {5, Command::FontSmaller}, {8, Command::Bold},
      {9, Command::TextColour},   {10, Command::BackColour}, {11, Command::SaveText},   {21, Command::OpenPlayList},
      {22, Command::ManageLists},
  };
  for (const auto& [number, command] : areas) {
    Command found{};
    ASSERT_TRUE(Form1::commandOfClickArea(number, found)) << number;
    EXPECT_EQ(found, command) << number;
  }
  Command none{};
  for (int number : {1, 2, 3, 6, 7}) EXPECT_FALSE(Form1::commandOfClickArea(number, none)) << number;
}

TEST(Form1Routing, EachClickAreaHasOneCommandAPlaceOnThePictureAndACaption) {
  const std::pair<int, Command> commands[] = {
      {4, Command::FontBigger},    {5, Command::FontSmaller},  {8, Command::Bold},
      {9, Command::TextColour},    {10, Command::BackColour},  {11, Command::SaveText},
      {12, Command::OpenFile},     {13, Command::Repeat},      {14, Command::Stop},
      {15, Command::Forward},      {16, Command::Rewind},      {17, Command::Pause},
      {18, Command::Continue},     {19, Command::Start},       {20, Command::Exit},
      {21, Command::OpenPlayList}, {22, Command::ManageLists}, {layout::kPracticeLabel, Command::PracticeWindow},
  };
  ASSERT_EQ(layout::kClickAreaTable.size(), std::size(commands));
  const auto inside = [](const layout::Rect& r) {
    return r.left >= 0 && r.top >= 0 && r.width > 0 && r.height > 0 &&
           r.left + r.width <= layout::kClientWidthPx * layout::kTwipsPerPixel &&
           r.top + r.height <= layout::kClientHeightPx * layout::kTwipsPerPixel;
  };
  const auto overlap = [](const layout::Rect& a, const layout::Rect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height && b.top < a.top + a.height;
  };
  for (const auto& [number, command] : commands) {
    const layout::ClickArea* area = layout::clickArea(number);
    ASSERT_NE(area, nullptr) << number;
    EXPECT_EQ(area->command, command) << number;
    EXPECT_TRUE(inside(area->rect)) << number;
    EXPECT_FALSE(area->caption.empty()) << number;
    EXPECT_EQ(layout::kClickAreas[static_cast<std::size_t>(number)].left, area->rect.left) << number;
    EXPECT_EQ(layout::kClickAreaCaptions[static_cast<std::size_t>(number)], area->caption) << number;
    Command found{};
    ASSERT_TRUE(Form1::commandOfClickArea(number, found)) << number;
    EXPECT_EQ(found, command) << number;
    for (const auto& [other, unused] : commands)
      if (other != number) {
        EXPECT_FALSE(overlap(area->rect, layout::clickArea(other)->rect)) << number << " and " << other;
      }
  }
  // The labels that are captions, not click areas: no place, no caption, no command.
  for (int number : {1, 2, 3, 6, 7, layout::kSpeedLabel, 0, layout::kAllLabelCount + 1}) {
    EXPECT_EQ(layout::clickArea(number), nullptr) << number;
    Command none{};
    EXPECT_FALSE(Form1::commandOfClickArea(number, none)) << number;
    if (number < 1 || number > layout::kAllLabelCount) continue;
    EXPECT_EQ(layout::kClickAreas[static_cast<std::size_t>(number)].width, 0) << number;
    EXPECT_TRUE(layout::kClickAreaCaptions[static_cast<std::size_t>(number)].empty()) << number;
  }
}

TEST(Form1Routing, ACaptionsAccessKeyIsTheCharacterAfterASingleAmpersandLowerCased) {
  const std::pair<std::string_view, char> cases[] = {
      {"开始11 &s", 's'}, {"继续17 &Z", 'z'}, {"保存", 0},   {"尾&", 0},
      {"a&&b", 0},        {"a&&b &c", 'c'},   {"&&&x", 'x'}, {"&1", '1'},
  };
  for (const auto& [caption, key] : cases) EXPECT_EQ(layout::accessKeyOf(caption), key) << caption;
  // Every access-key twin and addition has a key of its own, and no two buttons share one
  // but the two of Alt+Z (pause, continue: whichever is enabled takes it).
  std::map<char, std::vector<int>> owners;
  for (int n = 1; n <= layout::kAllButtonCount; ++n)
    if (const char key = layout::accessKeyOf(layout::buttonCaption(n))) owners[key].push_back(n);
  for (int n = 11; n <= layout::kAllButtonCount; ++n) {
    if (n >= 21 && n <= 26) continue;  // the dictation and appearance buttons have none
    EXPECT_NE(layout::accessKeyOf(layout::buttonCaption(n)), 0) << n;
  }
  for (const auto& [key, buttons] : owners) EXPECT_EQ(buttons.size(), key == 'z' ? 2u : 1u) << key;
}

TEST(Form1Routing, TheAdditionsButtonsNameTheirCommands) {
  const std::pair<int, Command> additions[] = {
      {29, Command::Slower},           {30, Command::Faster},       {31, Command::NormalSpeed},
      {32, Command::PreviousSentence}, {33, Command::NextSentence}, {34, Command::RepeatSentence},
      {35, Command::LoopOptions},      {36, Command::Timestamp},    {37, Command::CheckDictation},
      {38, Command::PracticeWindow},
  };
  static_assert(std::size(additions) == layout::kAdditionButtonCaptions.size());
  for (const auto& [number, command] : additions) EXPECT_EQ(Form1::commandOfButton(number), command) << number;
}

TEST(Form1Routing, AccessKeysActOnlyWhileTheirButtonIsEnabled) {
  Form1Rig rig;
  rig.start();
  // At start-up Alt+S and Alt+E... : Command11 (start) is disabled, Command20 (stop) is not.
  EXPECT_FALSE(rig.form->accessKey('s'));
  EXPECT_TRUE(rig.mci.log().empty());
  EXPECT_TRUE(rig.form->accessKey('E'));  // case does not matter
  EXPECT_EQ(rig.label(1).caption(), captions::kWaitingAfterMciStop);
  EXPECT_FALSE(rig.form->accessKey('g'));  // no button carries it (Alt+W opens the practice window)

  const std::string lesson = rig.audio("lesson.wav");
  rig.dialog.answer(lesson);
  EXPECT_TRUE(rig.form->accessKey('f'));
  EXPECT_EQ(rig.label(2).caption(), lesson);
  EXPECT_TRUE(rig.mci.playing());

  // Alt+Z pauses while playing and continues while paused: one of the two is enabled.
  rig.clock.advance(2000);
  EXPECT_TRUE(rig.form->accessKey('z'));
  EXPECT_EQ(rig.label(1).caption(), captions::kPaused);
  EXPECT_FALSE(rig.form->accessKey('f'));  // open file is disabled while paused
  EXPECT_FALSE(rig.form->accessKey('x'));
  EXPECT_TRUE(rig.form->accessKey('z'));
  EXPECT_EQ(rig.label(1).caption(), captions::kPlaying);

  EXPECT_TRUE(rig.form->accessKey('x'));
  EXPECT_EQ(rig.form->variables().repeatState, RepeatState::Repeating);
  EXPECT_EQ(rig.focus.owner, "Text1");
  EXPECT_FALSE(rig.form->accessKey('d'));  // jumps are disabled in the loop
  EXPECT_FALSE(rig.form->accessKey('c'));
  EXPECT_TRUE(rig.form->accessKey('x'));
  EXPECT_EQ(rig.form->variables().repeatState, RepeatState::Listening);
  EXPECT_TRUE(rig.form->accessKey('c'));
  EXPECT_EQ(rig.form->variables().segmentStart, 59500.0);
  EXPECT_TRUE(rig.form->accessKey('e'));
  EXPECT_EQ(rig.focus.owner, "Command1");
  EXPECT_TRUE(rig.form->accessKey('s'));
  EXPECT_TRUE(rig.mci.playing());
}

TEST(Form1Routing, ClickAreasIgnoreTheButtonsButRepeatAndContinueWaitForTheFirstOpen) {
  Form1Rig rig;
  rig.start();
  rig.form->clickAreaClicked(13);  // repeat: disabled until the first open
  rig.form->clickAreaClicked(18);
  EXPECT_TRUE(rig.mci.log().empty());
  rig.form->clickAreaClicked(19);  // start runs although Command1 is disabled
  EXPECT_EQ(rig.label(1).caption(), captions::kPlaying);

  rig.form->openFileCommand();  // cancelled: the two areas are enabled all the same
  EXPECT_TRUE(rig.label(13).enabled());
  EXPECT_TRUE(rig.label(18).enabled());
  rig.mci.clearLog();
  rig.form->clickAreaClicked(13);
  EXPECT_EQ(rig.form->variables().repeatState, RepeatState::Repeating);
}

TEST(Form1Routing, PlayerCommandsFollowTheBackEndOfTheOpenedFile) {
  Form1Rig rig;
  rig.start();
  rig.open(rig.audio("a.mp3"));
  EXPECT_EQ(rig.form->engineKind(), EngineKind::Stream);
  EXPECT_TRUE(rig.stream.playing());
  rig.clock.advance(3000);
  rig.mci.clearLog();
  for (Command command : {Command::Repeat, Command::Pause, Command::Continue, Command::Repeat, Command::Forward,
                          Command::Rewind, Command::ToEnd, Command::Stop, Command::Start})
    rig.form->run(command);
  EXPECT_TRUE(rig.mci.log().empty());
  EXPECT_TRUE(rig.stream.playing());

  rig.open(rig.audio("b.wav"));
  EXPECT_EQ(rig.form->engineKind(), EngineKind::Mci);
  EXPECT_FALSE(rig.stream.playing());
  rig.stream.clearLog();
  rig.clock.advance(3000);
  for (Command command : {Command::Repeat, Command::Pause, Command::Continue, Command::Repeat, Command::Forward,
                          Command::Rewind, Command::ToEnd, Command::Stop, Command::Start})
    rig.form->run(command);
  EXPECT_TRUE(rig.stream.log().empty());
  EXPECT_TRUE(rig.mci.playing());
}

TEST(Form1Routing, StartStopsFirstAndRestartsFromTheBeginning) {
  Form1Rig rig;
  rig.start();
  rig.open(rig.audio("a.wav"));
  rig.clock.advance(5000);
  rig.mci.clearLog();
  rig.form->startCommand();
  EXPECT_EQ(rig.mci.log().front(), "close");
  EXPECT_EQ(rig.mci.played().back(), (PlayedRange{1, 1}));
  rig.clock.advance(1000);
  EXPECT_EQ(rig.mci.position(), 1001);
}

TEST(Form1OpenFile, TheWavRuleIsCaseSensitive) {
  constexpr EngineKind mci = EngineKind::Mci, stream = EngineKind::Stream;
  const std::pair<const char*, EngineKind> cases[] = {
      {"lesson.wav", mci},    {"lesson.WAV", stream}, {"lesson.mp3", stream}, {"lesson.rm", stream},
      {"lesson.ram", stream}, {"lesson.ra", stream},  {"第一课.wav", mci},    {"a.mp3.wav", mci},
  };
  for (const auto& [name, kind] : cases) {
    Form1Rig rig;
    rig.start();
    rig.open(rig.audio(name));
    EXPECT_EQ(rig.form->engineKind(), kind) << name;
    EXPECT_EQ(rig.mci.enabled(), kind == mci) << name;
    EXPECT_EQ(kind == mci ? rig.mci.playing() : rig.stream.playing(), true) << name;
  }
}

TEST(Form1OpenFile, AVideoSaysItsPictureIsNotShownOnEitherBackEndUntilAnotherFileOpens) {
  for (const char* name : {"talk.wav", "talk.mkv"}) {
    Form1Rig rig;
    rig.start();
    EXPECT_EQ(rig.label(layout::kPictureLabel).caption(), "") << name;
    const std::string video = rig.audio(name);
    rig.mci.markVideo(video);
    rig.stream.markVideo(video);
    rig.open(video);
    EXPECT_EQ(rig.label(layout::kPictureLabel).caption(), layout::kPictureNote) << name;
    rig.form->run(Command::Stop);
    rig.form->run(Command::Start);
    EXPECT_EQ(rig.label(layout::kPictureLabel).caption(), layout::kPictureNote) << name;
    rig.open(rig.audio("song.mp3"));
    EXPECT_EQ(rig.label(layout::kPictureLabel).caption(), "") << name;
    EXPECT_EQ(layout::clickArea(layout::kPictureLabel), nullptr);
  }
}

TEST(Form1OpenFile, RemembersTheFolderInPathIni) {
  Form1Rig rig;
  rig.start();
  rig.form->openFileCommand();  // no path.ini: the default folder
  ASSERT_EQ(rig.dialog.calls().size(), 1u);
  EXPECT_EQ(rig.dialog.calls()[0].initialFolder, rig.appPath.string() + "/voice/");
  EXPECT_EQ(rig.dialog.calls()[0].filter,
            "所有能播放的录音和视频|*.mp3;*.wav;*.m4a;*.aac;*.ogg;*.oga;*.opus;*.flac;*.wma;*.rm;*.ram;*.ra;"
            "*.mp4;*.m4v;*.mkv;*.webm;*.mov;*.avi|"
            "语音文件(*.mp3;*.rm;*.ram;*.ra;*.wav)|*.mp3;*.rm;*.ram;*.ra;*.wav|所有文件|*");
  EXPECT_EQ(rig.dialog.calls()[0].fileName, "");

  fs::create_directory(rig.appPath / "听力 课");
  const std::string chosen = (rig.appPath / "听力 课" / "lesson.mp3").string();
  rig.stream.addFile(chosen, 10000);
  rig.open(chosen);
  EXPECT_EQ(readBytes(rig.appPath / "path.ini"), utf8ToGb18030((rig.appPath / "听力 课").string() + "/\r\n"));
  rig.form->openFileCommand();
  EXPECT_EQ(rig.dialog.calls().back().initialFolder, (rig.appPath / "听力 课").string() + "/");

  writeBytes(rig.appPath / "path.ini", "   \r\nsecond line\r\n");  // blank: the default folder
  rig.form->openFileCommand();
  EXPECT_EQ(rig.dialog.calls().back().initialFolder, rig.appPath.string() + "/voice/");
  writeBytes(rig.appPath / "path.ini", " /srv/lessons/ \r\n");  // used as read
  rig.form->openFileCommand();
  EXPECT_EQ(rig.dialog.calls().back().initialFolder, " /srv/lessons/ ");
}

TEST(Form1OpenFile, ACancelledDialogMovesOnlyTheFocus) {
  Form1Rig rig;
  rig.start();
  rig.form->openFileCommand();
  EXPECT_EQ(rig.focus.owner, "Command5");  // start and repeat both disabled
  EXPECT_EQ(rig.stream.volume(), 100);
  EXPECT_EQ(rig.label(2).caption(), "语音文件名");

  rig.open(rig.audio("a.mp3"));
  rig.form->openFileCommand();
  EXPECT_EQ(rig.focus.owner, "Text1");  // repeat enabled
  EXPECT_TRUE(rig.stream.playing());
  rig.form->stopCommand();
  rig.form->openFileCommand();
  EXPECT_EQ(rig.focus.owner, "Command1");  // repeat disabled, start enabled
}

TEST(Form1OpenFile, SavesThePreviousDictationAndLoadsTheNewOne) {
  Form1Rig rig;
  rig.start();
  const std::string first = rig.audio("one.mp3");
  const std::string second = rig.audio("two.wav");
  writeBytes(rig.appPath / "voice" / "two.txt", utf8ToGb18030("第二课"));
  rig.open(first);
  EXPECT_EQ(rig.text1.text(), "");
  EXPECT_TRUE(fs::exists(rig.appPath / "voice" / "one.txt"));  // created empty
  rig.text1.setText("第一课的听写");
  rig.open(second);
  EXPECT_EQ(readBytes(rig.appPath / "voice" / "one.txt"), utf8ToGb18030("第一课的听写"));
  EXPECT_EQ(rig.text1.text(), "第二课\r\n");

  rig.text1.setText("改过的");
  rig.open(second);  // the same file again: saved, reloaded, restarted
  EXPECT_EQ(rig.text1.text(), "改过的\r\n");
  EXPECT_EQ(rig.mci.position(), 1);
}

TEST(Form1OpenFile, AFailedSaveKeepsTheTextAndTheFile) {
  Form1Rig rig;
  rig.start();
  const std::string first = rig.audio("one.mp3");
  rig.open(first);
  rig.text1.setText("一小时的听写");
  fs::remove(rig.appPath / "voice" / "one.txt");
  fs::create_directory(rig.appPath / "voice" / "one.txt");  // a folder in the way
  rig.dialog.answer(rig.audio("two.mp3"));
  rig.form->openFileCommand();
  EXPECT_EQ(rig.text1.text(), "一小时的听写");
  EXPECT_EQ(rig.label(2).caption(), first);
  EXPECT_FALSE(rig.messages.shown().empty());
}

std::string writeList(Form1Rig& rig, const std::string& name, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += line + "\r\n";
  const fs::path path = rig.appPath / name;
  writeBytes(path, utf8ToGb18030(bytes));
  return path.string();
}

TEST(Form1PlayList, PlaysEachEntryOnceOnEitherBackEnd) {
  for (const std::string extension : {".mp3", ".wav"}) {
    Form1Rig rig;
    rig.start();
    const std::string a = rig.audio("1" + extension, 2000);
    const std::string b = rig.audio("2" + extension, 3000);
    const std::string c = rig.audio("3" + extension, 1000);
    rig.dialog.answer(writeList(rig, "three.lst", {"  " + a + " ", b, c}));
    rig.form->openPlayList();
    EXPECT_EQ(rig.dialog.calls().back().filter, "语音列表文件(*.lst)|*.lst");
    EXPECT_EQ(rig.label(2).caption(), a);  // trimmed
    EXPECT_EQ(rig.form->listIndex(), 2);
    EXPECT_EQ(rig.form->listEntry(4), "end");
    std::vector<std::string> heard{rig.label(2).caption()};
    for (int step = 0; step < 100; ++step) {
      rig.clock.advance(100);
      if (rig.label(2).caption() != heard.back()) heard.push_back(rig.label(2).caption());
    }
    EXPECT_EQ(heard, (std::vector<std::string>{a, b, c})) << extension;
    EXPECT_EQ(rig.form->listIndex(), 4);
  }
}

TEST(Form1PlayList, RefusesAnEmptyListAndHoldsAtMost124Entries) {
  Form1Rig rig;
  rig.start();
  rig.open(rig.audio("a.mp3"));
  rig.dialog.answer(writeList(rig, "empty.lst", {}));
  rig.form->openPlayList();
  EXPECT_EQ(rig.messages.shown().back(), "列表无内容!");
  EXPECT_EQ(rig.label(2).caption(), (rig.appPath / "voice" / "a.mp3").string());

  std::vector<std::string> many;
  for (int i = 1; i <= 130; ++i) many.push_back(rig.audio(std::to_string(i) + ".mp3", 1000));
  rig.dialog.answer(writeList(rig, "many.lst", many));
  rig.form->openPlayList();
  EXPECT_EQ(rig.form->listEntry(124), many[123]);
  EXPECT_EQ(rig.form->listEntry(125), "end");
}

TEST(Form1PlayList, OpeningAListWhileLoopingStartsEntryOneAndAFileLeavesTheList) {
  Form1Rig rig;
  rig.start();
  rig.open(rig.audio("a.mp3"));
  rig.clock.advance(3000);
  rig.form->repeatCommand();
  const std::string one = rig.audio("1.wav", 2000);
  const std::string two = rig.audio("2.mp3", 2000);  // handed to the MCI back-end like entry 1
  rig.dialog.answer(writeList(rig, "mixed.lst", {one, two}));
  rig.form->openPlayList();
  EXPECT_FALSE(rig.timer3->enabled());
  EXPECT_FALSE(rig.stream.playing());
  EXPECT_EQ(rig.form->engineKind(), EngineKind::Mci);
  EXPECT_TRUE(rig.button(4).enabled());
  EXPECT_EQ(rig.mci.position(), 1);
  rig.clock.advance(2100);
  EXPECT_EQ(rig.label(2).caption(), two);
  EXPECT_EQ(rig.form->engineKind(), EngineKind::Mci);

  rig.open(rig.audio("single.mp3", 1000));
  EXPECT_EQ(rig.form->listIndex(), 1);
  EXPECT_EQ(rig.form->listEntry(1), "end");
  rig.clock.advance(3000);
  EXPECT_EQ(rig.label(2).caption(), (rig.appPath / "voice" / "single.mp3").string());
}

TEST(Form1PlayList, TheDictationBoxKeepsItsTextThroughoutTheList) {
  Form1Rig rig;
  rig.start();
  const std::string lesson = rig.audio("lesson.mp3");
  rig.open(lesson);
  rig.text1.setText("课文听写");
  const std::string one = rig.audio("x1.mp3", 1000);
  const std::string two = rig.audio("x2.mp3", 1000);
  rig.dialog.answer(writeList(rig, "l.lst", {one, two}));
  rig.form->openPlayList();
  rig.clock.advance(1500);
  EXPECT_EQ(rig.text1.text(), "课文听写");
  rig.form->run(Command::SaveText);
  // Saved into the file whose text was loaded, never into an entry's.
  EXPECT_EQ(readBytes(rig.appPath / "voice" / "lesson.txt"), utf8ToGb18030("课文听写"));
  EXPECT_FALSE(fs::exists(rig.appPath / "voice" / "x2.txt"));
}

TEST(Form1Leaving, ExitAndTheCloseBoxBothSaveTheDictation) {
  for (const bool closeBox : {false, true}) {
    Form1Rig rig;
    rig.start();
    rig.open(rig.audio("a.mp3"));
    rig.text1.setText("不要丢");
    if (closeBox) {
      EXPECT_TRUE(rig.form->queryClose());
    } else {
      rig.form->exitCommand();
      EXPECT_EQ(rig.window.closes, 1);
      EXPECT_TRUE(rig.form->queryClose());
    }
    EXPECT_FALSE(rig.stream.playing());
    EXPECT_FALSE(rig.mci.isOpen());
    EXPECT_EQ(readBytes(rig.appPath / "voice" / "a.txt"), utf8ToGb18030("不要丢"));
  }
}

TEST(Form1Leaving, AFailedSaveKeepsTheWindowOpenUnlessTheUserInsists) {
  Form1Rig rig;
  rig.start();
  rig.open(rig.audio("a.mp3"));
  rig.text1.setText("不要丢");
  fs::remove(rig.appPath / "voice" / "a.txt");
  fs::create_directory(rig.appPath / "voice" / "a.txt");
  rig.form->exitCommand();
  EXPECT_EQ(rig.window.closes, 0);
  EXPECT_FALSE(rig.form->queryClose());  // Cancel
  rig.messages.answer(ui::MessageBox::Answer::No);
  EXPECT_FALSE(rig.form->queryClose());
  EXPECT_EQ(rig.text1.text(), "不要丢");
  rig.messages.answer(ui::MessageBox::Answer::Yes);
  EXPECT_TRUE(rig.form->queryClose());
}

TEST(Form1Leaving, TheUsageTextIsNeverSaved) {
  Form1Rig rig;
  rig.start();
  rig.form->exitCommand();
  EXPECT_EQ(rig.window.closes, 1);
  EXPECT_FALSE(fs::exists(rig.appPath / "voice" / "txt"));
  EXPECT_TRUE(fs::is_empty(rig.appPath / "voice"));
}

}  // namespace
}  // namespace tessaly::test

namespace tessaly::test {
namespace {

TEST(Form1OpenFile, ARecordingOrAListFromTheCommandLineOpensLikeAChosenOne) {
  Form1Rig rig;
  rig.start();
  const std::string lesson = rig.audio("lesson.mp3");
  rig.form->openFromCommandLine(lesson);
  EXPECT_EQ(rig.label(2).caption(), lesson);
  EXPECT_TRUE(rig.label(13).enabled());
  EXPECT_TRUE(rig.stream.playing());
  EXPECT_TRUE(rig.dialog.calls().empty());

  const std::string one = rig.audio("1.wav", 1000);
  writeBytes(rig.appPath / "a.lst", one + "\r\n");
  rig.form->openFromCommandLine((rig.appPath / "a.lst").string());
  EXPECT_EQ(rig.label(2).caption(), one);
  EXPECT_EQ(rig.form->engineKind(), EngineKind::Mci);
}

}  // namespace
}  // namespace tessaly::test
