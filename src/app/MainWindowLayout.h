// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's fixed look: captions of its buttons, where its controls and click
// areas lie (in twips; 15 twips = 1 pixel), and the texts it shows. The Qt window builds
// itself from these tables, and the tests check the logic against them.
#pragma once

#include <array>
#include <string_view>

namespace tessaly {

// What a button, a click area or an access key runs.
enum class Command {
  Start,
  Stop,
  Repeat,
  ToEnd,
  Pause,
  Continue,
  Forward,
  Rewind,
  OpenFile,
  Exit,
  SaveText,
  FontBigger,
  FontSmaller,
  Bold,
  TextColour,
  BackColour,
  OpenPlayList,
  ManageLists,
  Slower,
  Faster,
  NormalSpeed,
  PreviousSentence,
  NextSentence,
  RepeatSentence,
  LoopOptions,
  Timestamp,
  CheckDictation,
  PracticeWindow,
};

}  // namespace tessaly

namespace tessaly::layout {

struct Rect {
  int left, top, width, height;  // twips
};

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kOuterWidth = 12050;  // twips, set at load and on becoming active
inline constexpr int kOuterHeight = 8580;
inline constexpr int kClientWidthPx = 803;  // the background picture
inline constexpr int kClientHeightPx = 555;

// Command1 to Command28. 1 to 10 are the off-screen command buttons, 11 to 20 their
// access-key twins, 21 to 26 the dictation and appearance buttons, 27 and 28 the play-list
// buttons of this program (open a list, manage lists). The additions' buttons follow them
// (kAllButtonCount).
inline constexpr int kButtonCount = 28;
// clang-format off
inline constexpr std::array<std::string_view, kButtonCount> kButtonCaptions = {
    "开始播放(ALT+S)",       // Command1  start
    "退出(ALT+Q)",           // Command2  exit
    "复读(空格键)",          // Command3  repeat
    "到最后(Alt+F)",         // Command4  to the end
    "选择声音文件(ALT+C)",   // Command5  open file
    "暂停(ALT+Z)",           // Command6  pause
    "继续(空格键)",          // Command7  continue
    "快进(ALT+D)",           // Command8  forward
    "倒退(ALT+A)",           // Command9  rewind
    "停止(ALT+X)",           // Command10 stop
    "开始11 &s",             // Command11 Alt+S
    "退出12 &q",             // Command12 Alt+Q
    "复读13 &x",             // Command13 Alt+X
    "下一个14 &c",           // Command14 Alt+C
    "打开文件15 &f",         // Command15 Alt+F
    "暂停16 &z",             // Command16 Alt+Z
    "继续17 &Z",             // Command17 Alt+Z
    "快进18 &d",             // Command18 Alt+D
    "快退19 &a",             // Command19 Alt+A
    "停止20 &e",             // Command20 Alt+E
    "保存",                  // Command21
    "字体变大",              // Command22
    "字体变小",              // Command23
    "字体粗细",              // Command24
    "字体颜色",              // Command25
    "背景颜色",              // Command26
    "播放列表27 &l",         // Command27 Alt+L: open a play list
    "管理列表28 &m",         // Command28 Alt+M: the list manager
};
// clang-format on

// Command29 to Command38: the keys of the additions, off screen like the access-key twins.
// clang-format off
inline constexpr std::array<std::string_view, 10> kAdditionButtonCaptions = {
    "慢速29 &j",      // Command29 Alt+J: 0.1× slower
    "快速30 &k",      // Command30 Alt+K: 0.1× faster
    "原速31 &h",      // Command31 Alt+H: back to 1.0×
    "上一句32 &p",    // Command32 Alt+P: the previous sentence
    "下一句33 &n",    // Command33 Alt+N: the next sentence
    "复读本句34 &r",  // Command34 Alt+R: loop the sentence being heard
    "选项35 &o",      // Command35 Alt+O: the loop options window
    "时间标记36 &t",  // Command36 Alt+T: the playing position into the text
    "检查听写37 &y",  // Command37 Alt+Y: check the dictation against the reference
    "逐句练习38 &w",  // Command38 Alt+W: the practice window
};
// clang-format on
inline constexpr int kAllButtonCount = kButtonCount + static_cast<int>(kAdditionButtonCaptions.size());
inline constexpr int kPreviousSentenceKey = 32;  // Alt+P
inline constexpr int kNextSentenceKey = 33;      // Alt+N

// The caption of CommandN, 1 to kAllButtonCount.
constexpr std::string_view buttonCaption(int n) {
  return n <= kButtonCount ? kButtonCaptions[static_cast<std::size_t>(n - 1)]
                           : kAdditionButtonCaptions[static_cast<std::size_t>(n - kButtonCount - 1)];
}

// The command of CommandN, 1 to kAllButtonCount, in its order.
// clang-format off
inline constexpr std::array<Command, kAllButtonCount> kButtonCommands = {
    Command::Start,    Command::Exit,     Command::Repeat,  Command::ToEnd,       Command::OpenFile,
    Command::Pause,    Command::Continue, Command::Forward, Command::Rewind,      Command::Stop,
    Command::Start,    Command::Exit,     Command::Repeat,  Command::ToEnd,       Command::OpenFile,
    Command::Pause,    Command::Continue, Command::Forward, Command::Rewind,      Command::Stop,
    Command::SaveText, Command::FontBigger, Command::FontSmaller, Command::Bold, Command::TextColour,
    Command::BackColour, Command::OpenPlayList, Command::ManageLists, Command::Slower, Command::Faster,
    Command::NormalSpeed, Command::PreviousSentence, Command::NextSentence, Command::RepeatSentence,
    Command::LoopOptions, Command::Timestamp, Command::CheckDictation, Command::PracticeWindow,
};
// clang-format on

// The access key of a caption: the character after a single "&" ("&&" is an ampersand),
// lower-cased; 0 if none.
constexpr char accessKeyOf(std::string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    const char c = caption[i + 1];
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return 0;
}

// Click areas: Label4, Label5 and Label8 to Label22 (0 width: not a click area). Beyond
// them, Label23 is the playing speed, shown beside the time labels while it is not 1.0×,
// Label24 the practice window's click area, beside the play-list areas, and Label25 the
// note shown while the recording is a video ("只放声音，不显示画面"), left of the speed.
inline constexpr int kLabelCount = 22;
inline constexpr int kRepeatArea = 13;    // 复读: disabled until a file is chosen
inline constexpr int kContinueArea = 18;  // 继续: the same
inline constexpr int kSpeedLabel = 23;
inline constexpr int kPracticeLabel = 24;
inline constexpr int kPictureLabel = 25;
inline constexpr std::string_view kPictureNote = "只放声音，不显示画面";
inline constexpr int kAllLabelCount = 25;
// Each click area: its label, the command a click runs, where it lies and the caption drawn
// over it on the background picture.
struct ClickArea {
  int label;
  Command command;
  Rect rect;
  std::string_view caption;
};
// clang-format off
inline constexpr std::array<ClickArea, 18> kClickAreaTable = {{
    {4,  Command::FontBigger,   {10560, 240, 855, 375},  "字体变大"},
    {5,  Command::FontSmaller,  {10560, 840, 855, 375},  "字体变小"},
    {8,  Command::Bold,         {10560, 1320, 855, 375}, "字体粗细"},
    {9,  Command::TextColour,   {10560, 1920, 855, 375}, "字体颜色"},
    {10, Command::BackColour,   {10560, 2520, 855, 375}, "背景颜色"},
    {11, Command::SaveText,     {10560, 3120, 855, 375}, "保存"},
    {12, Command::OpenFile,     {480, 6720, 1095, 975},  "打开文件"},
    {13, Command::Repeat,       {1680, 6720, 1095, 975}, "复读"},
    {14, Command::Stop,         {2880, 6720, 1095, 975}, "停止"},
    {15, Command::Forward,      {4200, 6720, 1095, 975}, "快进"},
    {16, Command::Rewind,       {5400, 6720, 1095, 975}, "快退"},
    {17, Command::Pause,        {6720, 6720, 1095, 975}, "暂停"},
    {18, Command::Continue,     {7920, 6720, 1095, 975}, "继续"},
    {19, Command::Start,        {9240, 6720, 1095, 975}, "开始"},
    {20, Command::Exit,         {10440, 6720, 1095, 975}, "退出"},
    // The play-list areas of this program, at the right end of the status line.
    {21, Command::OpenPlayList, {8760, 7740, 1215, 480}, "播放列表"},
    {22, Command::ManageLists,  {10200, 7740, 1215, 480}, "管理列表"},
    {kPracticeLabel, Command::PracticeWindow, {7320, 7740, 1215, 480}, "逐句练习"},
}};
// clang-format on

// The click area of label `number`; null when the label is none.
constexpr const ClickArea* clickArea(int number) {
  for (const ClickArea& area : kClickAreaTable)
    if (area.label == number) return &area;
  return nullptr;
}

// The same by label number (a label that is no click area: 0 width, no caption).
inline constexpr std::array<Rect, kAllLabelCount + 1> kClickAreas = [] {
  std::array<Rect, kAllLabelCount + 1> areas{};
  for (const ClickArea& area : kClickAreaTable) areas[static_cast<std::size_t>(area.label)] = area.rect;
  return areas;
}();
inline constexpr std::array<std::string_view, kAllLabelCount + 1> kClickAreaCaptions = [] {
  std::array<std::string_view, kAllLabelCount + 1> text{};
  for (const ClickArea& area : kClickAreaTable) text[static_cast<std::size_t>(area.label)] = area.caption;
  return text;
}();

inline constexpr Rect kText1 = {120, 120, 9855, 5895};
inline constexpr Rect kSlider1 = {120, 6000, 9855, 180};
inline constexpr Rect kLabel2 = {240, 6240, 8055, 180};
inline constexpr Rect kLabel6 = {8370, 6255, 735, 210};
inline constexpr Rect kLabel3 = {9000, 6255, 120, 210};
inline constexpr Rect kLabel7 = {9090, 6255, 720, 210};
inline constexpr Rect kLabel23 = {7620, 6240, 660, 210};  // the speed, left of the elapsed time
// The video note, to the end of Label2 (so no end of a long path shows beside it); its words
// end where the speed begins, and the speed lies over it.
inline constexpr Rect kLabel25 = {5400, 6240, 2895, 210};
inline constexpr int kLabel25WordsEnd = 7590;
inline constexpr Rect kPictures = {360, 7680, 480, 480};
inline constexpr Rect kLabel1 = {840, 7800, 10695, 450};
inline constexpr Rect kWebBrowser1 = {10080, 3960, 1815, 2535};
inline constexpr int kOffScreenTop = 8400;  // every command button lies at or below this

// The captions the logic writes, by label number.
inline constexpr int kStatusLabel = 1;     // the status line (green)
inline constexpr int kRecordingLabel = 2;  // the current recording's path
inline constexpr int kTimeSlashLabel = 3;  // the "/" between the two times
inline constexpr int kElapsedLabel = 6;
inline constexpr int kLengthLabel = 7;

// The text put into the dictation box when the window is first shown.
inline constexpr std::array<std::string_view, 8> kUsageLines = {
    "    \u3000\u3000\u3000\u3000\u3000\u3000Tessaly听写软件－－使用说明",
    "    1、可在此文本框内输入听写的内容，软件会自动保存。",
    "    2、按快捷键\u3000Alt+F 或\u3000选择下面“打开文件”按钮打开想要听写的语音文件。",
    "    3、按快捷键\u3000Alt+X 复读已经播放的语音内容，再按一次\u3000Alt+X 则停止复读，继续播放语音文件。",
    "    4、按快捷键\u3000Alt+Z 暂停朗读，再按一次\u3000Alt+Z 继续朗读",
    "    5、按右边的相应按钮可以改变字体的大小、粗细、颜色。",
    "    6、下次打开相同的语音文件，听写的内容会自动显示。",
    "    7、按快捷键 Alt + Q 退出\u3000",
};

}  // namespace tessaly::layout
