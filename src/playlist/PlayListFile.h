// SPDX-License-Identifier: GPL-3.0-or-later
// Play-list files (.lst) and the last-folder file path.ini, shared by the main window
// (which plays lists) and the list manager Form5 (which edits them).
//
// A play list is plain text: one full audio path per line, each line ended by CR LF, no
// header and no empty line at the end. Lines and encodings follow src/text/TextFile.h: a
// line ends at CR or CR LF (a lone LF stays inside the line), files are written in GB18030
// and read as UTF-8 when their bytes are valid UTF-8, as GB18030 otherwise.
//
// All functions are stateless; the file functions block on the disk for as long as one
// small read or write takes and are called on the user-interface thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "text/Encoding.h"
#include "text/TextFile.h"

namespace tessaly {

// ---- Entry types -------------------------------------------------------------------------

// The type of an entry: its last two characters (UTF-8 code points, not bytes), or the
// whole entry when it is shorter. "a.wav" has the type "av", "b.WAV" the type "AV".
std::string entryType(std::string_view entry);

// True when some entry's type differs from the first entry's (case-sensitive). Lists of
// zero or one entries are never mixed. A mixed list is never saved.
bool isMixedList(const std::vector<std::string>& entries);

// ---- Reading -----------------------------------------------------------------------------

// The entries of a list file's bytes, read for editing: every line exactly as read, spaces
// and empty lines included, no limit on their number. `encoding`, when given, receives the
// encoding the bytes were read in, so that a save can write the list back the same way.
std::vector<std::string> parseListForEditing(std::string_view bytes, TextEncoding* encoding = nullptr);

// The entries of a list file's bytes, read for playing: every line with its leading and
// trailing ASCII spaces removed. No limit either: the player keeps as many as it holds.
std::vector<std::string> parseListForPlaying(std::string_view bytes);

// The same two readings of a file. A missing or unreadable file (or a directory) gives
// !ok with the reason, and no entries.
FileResult readListForEditing(const std::filesystem::path& path, std::vector<std::string>& entries,
                              TextEncoding* encoding = nullptr);
FileResult readListForPlaying(const std::filesystem::path& path, std::vector<std::string>& entries);

// ---- Writing -----------------------------------------------------------------------------

// The bytes of a list file: each entry followed by CR LF, in `encoding`.
std::string encodePlayList(const std::vector<std::string>& entries, TextEncoding encoding = TextEncoding::Gb18030);

// Replaces the file at `path` with the list, atomically: on failure the old file (if any)
// is untouched. Neither the type rule nor emptiness is checked here (the manager refuses
// those lists itself), but an entry holding a carriage return is refused, since it would
// read back as two entries.
FileResult writePlayList(const std::filesystem::path& path, const std::vector<std::string>& entries,
                         TextEncoding encoding = TextEncoding::Gb18030);

// ---- path.ini ----------------------------------------------------------------------------

// The first line of path.ini, exactly as read (not trimmed): the folder a file dialog
// starts in. A missing, unreadable or empty file gives "", which leaves the dialog in its
// own default folder.
std::string readLastFolder(const std::filesystem::path& pathIni);

// Rewrites path.ini whole with one line, the folder of `chosenPath` (pathUpToLastSlash:
// trimmed, up to and including its last "/"), followed by CR LF. A path.ini read as UTF-8
// stays UTF-8; otherwise it is written in GB18030.
FileResult writeLastFolder(const std::filesystem::path& pathIni, std::string_view chosenPath);

}  // namespace tessaly
