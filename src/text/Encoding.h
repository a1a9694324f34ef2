// SPDX-License-Identifier: GPL-3.0-or-later
// Text encodings of the files the program keeps (.txt, .lst, path.ini, the texts inside
// 900_8.dat). Inside the program every text is UTF-8.
//
// Writing uses GB18030, which is byte for byte GBK for every GBK character and can store
// every other character too. Reading takes bytes that are valid UTF-8 and hold at least
// one non-ASCII character (with or without a BOM) as UTF-8, everything else as GB18030;
// invalid bytes become U+FFFD and never stop a read.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

enum class TextEncoding {
  Gb18030,  // the program's own: GBK bytes for every GBK character
  Utf8,     // a user's UTF-8 file without a BOM
  Utf8Bom,  // a user's UTF-8 file with a BOM
};

struct DecodedText {
  std::string utf8;
  TextEncoding encoding = TextEncoding::Gb18030;
  std::size_t replaced = 0;  // invalid bytes shown as U+FFFD: writing the text back changes the file
};

bool isValidUtf8(std::string_view bytes);

// Detects the encoding and converts to UTF-8 (a BOM is dropped).
DecodedText decodeText(std::string_view bytes);

// Converts UTF-8 text to the bytes of `encoding` (a BOM is written for Utf8Bom), or to
// UTF-8 with a BOM when the bytes of `encoding` would not read back as the same text.
std::string encodeText(std::string_view utf8, TextEncoding encoding);

// `replaced`, when given, counts the invalid bytes that became U+FFFD.
std::string gb18030ToUtf8(std::string_view bytes, std::size_t* replaced = nullptr);
std::string utf8ToGb18030(std::string_view utf8);

}  // namespace tessaly
