// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a user's small files for the logic — a recording's dictation .txt, its .lrc and
// .srt — without the user-interface thread waiting on the disk. The logic asks for the files
// it needs and carries on; the answer comes back on the user-interface thread, all files of
// one request together. The inline reader answers before read() returns (the tests, the
// tools); the program's reader (qt/BackgroundFileReader) reads on a thread of its own and
// answers on a later turn of the event loop, so a slow folder (a network share, a stalled
// disk) never holds up the window. Nothing is cancelled: the asker drops an answer it no
// longer wants by its own serial number.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "text/Encoding.h"

namespace tessaly {

struct FileBytes {
  bool exists = false;  // something is there (a file, or what cannot be read as one)
  bool read = false;    // and its bytes were read
  std::string bytes;
  DecodedText text;  // the bytes as text, by the program's rule (GB18030 or UTF-8)
};

// One file, whole, read and decoded on the calling thread.
FileBytes readWhole(const std::string& path);

class FileReader {
 public:
  using Done = std::function<void(std::vector<FileBytes>)>;
  virtual ~FileReader() = default;
  // Reads each of `paths`; `done` gets them in the same order, on the user-interface thread.
  // User-interface thread.
  virtual void read(std::vector<std::string> paths, Done done) = 0;
};

class InlineFileReader final : public FileReader {
 public:
  void read(std::vector<std::string> paths, Done done) override;
};

}  // namespace tessaly
