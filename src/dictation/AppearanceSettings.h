// SPDX-License-Identifier: GPL-3.0-or-later
// The font and colours of the dictation box Text1, kept in slot 0 of 900_8.dat in the
// program folder and applied again at start-up.
//
// Owned by the main window, which calls every method on the user-interface thread. The
// settings live here, in memory, from loadAppearance to the end of the program; each
// command that changes them replaces the file at once (atomically), carrying records 1 to 3
// and any bytes beyond the fourth record along unchanged.
#pragma once

#include <array>
#include <filesystem>

#include "dictation/AppearanceFile.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"

namespace tessaly {

// The text colours the colour command steps through (textColourIndex 0 to 5).
inline constexpr std::array<ui::Rgb, 6> textColourCycle{
    {{255, 255, 0}, {255, 0, 0}, {0, 0, 0}, {255, 255, 255}, {0, 0, 255}, {0, 255, 0}}};

// The background colours the background command steps through (backColourIndex 0 to 10).
inline constexpr std::array<ui::Rgb, 11> backColourCycle{{{255, 236, 236},
                                                          {0, 0, 0},
                                                          {255, 255, 255},
                                                          {236, 236, 255},
                                                          {211, 245, 203},
                                                          {255, 255, 236},
                                                          {0, 0, 255},
                                                          {255, 255, 0},
                                                          {255, 0, 0},
                                                          {0, 255, 0},
                                                          {255, 0, 225}}};

class AppearanceSettings {
 public:
  // Until loadAppearance runs, slot 0 holds the default record and records 1 to 3 are cleared.
  AppearanceSettings(ui::TextBox& text1, std::filesystem::path settingsFile, ui::MessageBox& messages);

  // At start-up: reads the settings file and applies slot 0 to Text1. An absent, empty or
  // unreadable file gives the default record in slot 0; a short file leaves the fields it
  // does not hold cleared, and they are applied as cleared (font size 0 goes to the text
  // box as 0, which shows it at its smallest size). Nothing is written.
  void loadAppearance();

  // Each command changes Text1 at once, writes the file when slot 0 changed (the size
  // commands only when the size changed, the others always) and gives Text1 the focus.
  // A write that fails is told to the user once, until a later write succeeds; the
  // change stays on screen and in memory.
  void fontBiggerCommand();   // up by 1 point while 60 or less: 61 at most
  void fontSmallerCommand();  // down by 1 point while 6 or more: 5 at least
  void boldCommand();         // toggles what Text1 shows now, not what slot 0 says
  void textColourCommand();   // next textColourCycle entry; an index outside it stays
  void backColourCommand();   // next backColourCycle entry; above 9 goes to 0

  const AppearanceRecord& slot0() const { return file_.records[0]; }

 private:
  AppearanceRecord& current() { return file_.records[0]; }
  void writeAppearance();

  ui::TextBox& text1_;
  std::filesystem::path settingsFile_;
  ui::MessageBox& messages_;
  AppearanceFile file_;          // its tail stays in the file, never in memory
  std::int64_t recordsEnd_ = 0;  // where the records read end in the file
  bool writeFailureTold_ = false;
};

}  // namespace tessaly
