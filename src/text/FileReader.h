// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a user's small files for the logic — a recording's dictation .txt, its .lrc and
// .srt — without the user-interface thread waiting on the disk. The logic asks for the files
// it needs and carries on; the answer comes back on the user-interface thread, all files of
// one request together. The inline reader answers before read() returns (the tests, the
// tools); the program's reader (qt/BackgroundFileReader) reads on a thread of its own and
// answers on a later turn of the event loop, so a slow folder (a network share, a stalled
// disk) never holds up the window. Nothing is cancelled: the asker drops an answer it no
// longer wants by its own serial number.
//
// Only regular files are read, and only up to kLargestUserFile: a FIFO, a device or a socket
// in a recording's folder (or a file that never ends) is answered as not a file, or as too
// large, and never waited on. The program's reader also gives up on a read that stalls.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "text/Encoding.h"

namespace tessaly {

// Why a file that is there was not read.
enum class FileProblem {
  None,
  NotAFile,    // a FIFO, a device, a socket or a folder: never opened for its bytes
  TooLarge,    // more than kLargestUserFile bytes (or growing past them while read)
  Unreadable,  // the system refused it (permissions, an input error)
  Stalled,     // the read went on without a byte for too long (a share or a disk that hangs)
};

// A dictation, an .lrc or an .srt is text a person wrote: far below this.
constexpr std::size_t kLargestUserFile = std::size_t{32} << 20;

struct FileBytes {
  bool exists = false;                      // something is there (a file, or what cannot be read as one)
  bool read = false;                        // and its bytes were read
  FileProblem problem = FileProblem::None;  // why not, when exists && !read
  std::string bytes;
  DecodedText text;  // the bytes as text, by the program's rule (GB18030 or UTF-8)
};

// One file, whole, read and decoded on the calling thread. Never waits on a FIFO or a device
// (it opens without blocking and reads regular files only). `progressed`, when given, is
// called after each piece read, for a caller that watches for a stalled read.
FileBytes readWhole(const std::string& path, const std::function<void()>& progressed = {});

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
