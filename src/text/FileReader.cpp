// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace tessaly {

namespace {

// Closes a file descriptor when it goes out of scope.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

FileBytes notRead(FileProblem problem) {
  FileBytes file;
  file.exists = true;
  file.problem = problem;
  return file;
}

}  // namespace

FileBytes readWhole(const std::string& path, const std::function<void()>& progressed) {
  // O_NONBLOCK: the open of a FIFO without a writer (or of a device) returns at once rather
  // than waiting; what it opened is then looked at before a byte is read.
  Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
  if (file.fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return {};
    return notRead(FileProblem::Unreadable);
  }
  struct stat info {};
  if (::fstat(file.fd, &info) != 0) return notRead(FileProblem::Unreadable);
  if (!S_ISREG(info.st_mode)) return notRead(FileProblem::NotAFile);
  if (info.st_size > static_cast<off_t>(kLargestUserFile)) return notRead(FileProblem::TooLarge);
  if (const int flags = ::fcntl(file.fd, F_GETFL); flags >= 0) ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK);
  if (progressed) progressed();
  FileBytes whole;
  whole.exists = true;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return notRead(FileProblem::Unreadable);
    if (got == 0) break;
    // A file that grows while it is read (or one whose size lies) stops at the cap.
    if (whole.bytes.size() + static_cast<std::size_t>(got) > kLargestUserFile) return notRead(FileProblem::TooLarge);
    whole.bytes.append(buffer, static_cast<std::size_t>(got));
    if (progressed) progressed();
  }
  whole.read = true;
  whole.text = decodeText(whole.bytes);
  return whole;
}

void InlineFileReader::read(std::vector<std::string> paths, Done done) {
  std::vector<FileBytes> files;
  files.reserve(paths.size());
  for (const std::string& path : paths) files.push_back(readWhole(path));
  done(std::move(files));
}

}  // namespace tessaly
