// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing the program's text files: every store (dictation texts, play lists,
// path.ini) goes through here, so they all share one line rule and one encoding rule.
//
// Line rule: a line ends at CR or at CR LF; a lone LF stays part of the line; a last line
// without a line end is read up to the end of the file. Lines are written with CR LF.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "text/Encoding.h"

namespace tessaly {

// Splits text into lines by the program's line rule.
std::vector<std::string> splitLines(std::string_view text);

// Every line followed by CR LF.
std::string joinLinesCrLf(const std::vector<std::string>& lines);
// Every line end in `text` is CR LF (none is a lone CR or LF). Fast on long texts.
bool hasOnlyCrLfLineEnds(std::string_view text);
// joinLinesCrLf(splitLines(text)), without the copies when `text` is so already (a file the
// program wrote): a long dictation costs one look at it.
std::string withCrLfLines(std::string text);

struct FileResult {
  bool ok = false;
  std::string error;  // why not, in words, when !ok
};

// The whole file as bytes. A missing or unreadable file, or what is no regular file (a folder, a
// FIFO, a device: never waited on), gives !ok.
FileResult readFileBytes(const std::filesystem::path& path, std::string& bytes);

// Replaces `path` with `bytes` atomically: writes a temporary file in the same folder,
// flushes it to disk and renames it over the old file. On failure the old file is untouched
// and the temporary file is removed. Temporaries of `path` that an earlier write left behind
// (it was killed half way) and that are older than a minute are removed first.
FileResult writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The same for a file that must not exist yet: never replaces one, even one that appears
// while the bytes are written (the last step fails, the temporary goes, !ok says it exists).
FileResult writeNewFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// writeFileAtomically of `bytes` followed by the old file's bytes from `keepFrom` on (read a
// piece at a time, never held whole), so a rewrite of a file's head keeps the rest of it.
// keepFrom < 0 keeps nothing; a missing old file or one shorter than keepFrom adds nothing.
FileResult replaceFileHead(const std::filesystem::path& path, std::string_view bytes, std::int64_t keepFrom);

// The first bytes of a file, at most `limit` of them. A missing or unreadable file gives !ok.
FileResult readFileHead(const std::filesystem::path& path, std::size_t limit, std::string& bytes);

struct TextFileContent {
  std::string text;  // UTF-8
  TextEncoding encoding = TextEncoding::Gb18030;
  std::size_t replacedBytes = 0;  // invalid bytes read as U+FFFD
};

// Reads and decodes a text file (see Encoding.h for the rule).
FileResult readTextFile(const std::filesystem::path& path, TextFileContent& content);

// Reads a text file and splits it into lines; a missing file gives !ok and no lines.
FileResult readTextLines(const std::filesystem::path& path, std::vector<std::string>& lines,
                         TextEncoding* encoding = nullptr);

// Encodes UTF-8 text and replaces the file atomically.
FileResult writeTextFile(const std::filesystem::path& path, std::string_view utf8,
                         TextEncoding encoding = TextEncoding::Gb18030);

}  // namespace tessaly
