// SPDX-License-Identifier: GPL-3.0-or-later
// The byte layout of 900_8.dat, the appearance settings file in the program folder: four
// records back to back, slot 0 first, no header and no padding. Numbers are little-endian;
// a text is a 16-bit unsigned byte count followed by that many bytes (GB18030 in the files
// the program writes). Texts are kept here as the raw bytes of the file, so that the ones
// the program never uses go back unchanged.
//
// Pure functions: no state, no files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

// One record, fields in file order. A value-initialised record is the cleared record
// (numbers 0, texts empty), which takes 96 bytes of the file.
struct AppearanceRecord {
  static constexpr std::size_t textCount = 15;

  std::array<char, 6> reservedHead{};   // offset 0, unused
  double reservedReal0 = 0.0;           // offset 6, unused; copied bit for bit
  std::int16_t fontSize = 0;            // offset 14: point size of Text1
  std::int16_t notBold = 0;             // offset 16: 1 = not bold, any other value = bold
  std::int16_t reservedInt2 = 0;        // offset 18, unused
  std::int16_t reservedInt3 = 0;        // offset 20, unused
  std::int16_t textColourIndex = 0;     // offset 22: index into textColourCycle
  std::int16_t backColourIndex = 0;     // offset 24: index into backColourCycle
  std::int16_t reservedInt6 = 0;        // offset 26, unused
  std::int16_t reservedInt7 = 0;        // offset 28, unused
  std::int16_t reservedInt8 = 0;        // offset 30, unused
  std::int16_t reservedInt9 = 0;        // offset 32, unused
  std::array<char, 8> reservedReal1{};  // offset 34, unused
  std::array<char, 8> reservedReal2{};  // offset 42, unused
  std::array<char, 8> reservedReal3{};  // offset 50, unused
  std::array<char, 8> reservedReal4{};  // offset 58, unused
  // From offset 66: reservedText1 to reservedText15, unused, as raw bytes of at most 65535.
  std::array<std::string, textCount> reservedTexts;
};

// The program's content for a fresh slot 0: 64 pt, not bold, text colour 0, background 4,
// the unused fields as 900_8.dat files written by the program this one replaces hold them, so
// those files still read byte for byte (111 bytes in the file).
AppearanceRecord defaultAppearanceRecord();

struct AppearanceFile {
  std::array<AppearanceRecord, 4> records{};  // only slot 0 is used; 1 to 3 are carried along
  std::string tail;                           // the bytes beyond the fourth record, carried along
};

// The 900_8.dat shipped with the program and copied into a new program folder, so that the
// first start shows the usage text readably: slot 0 at 20 pt, black text on the default
// record's light green background; everything else, and slots 1 to 3, the default record.
AppearanceFile firstStartAppearanceFile();

// Reads the four records from the start of `bytes`. Whatever the bytes do not hold stays
// cleared: a number cut by the end keeps the bytes that are there (as its low bytes), a
// text whose length runs past the end holds only the bytes that are there. Allocates no
// more than the size of `bytes`.
AppearanceFile parseAppearanceFile(std::string_view bytes);

// One record in the file's layout; a text longer than 65535 bytes is cut to that.
std::string serialiseAppearanceRecord(const AppearanceRecord& record);

// The four records followed by the tail. For a file parsed by parseAppearanceFile whose
// texts keep their lengths, these are exactly the bytes that writing the records over the
// start of the old file (without shortening it) would leave.
std::string serialiseAppearanceFile(const AppearanceFile& file);

}  // namespace tessaly
