// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

namespace tessaly {

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const auto cr = text.find('\r', begin);
    if (cr == std::string_view::npos) {
      lines.emplace_back(text.substr(begin));
      break;
    }
    lines.emplace_back(text.substr(begin, cr - begin));
    begin = cr + 1;
    if (begin < text.size() && text[begin] == '\n') ++begin;
  }
  return lines;
}

std::string joinLinesCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

namespace {

FileResult failure(const std::filesystem::path& path, const char* what, int err) {
  return {false, std::string(what) + " " + path.string() + ": " + std::strerror(err)};
}

// Closes a file descriptor when it goes out of scope.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

bool hasOnlyCrLfLineEnds(std::string_view text) {
  // Each LF after a CR, and no more CRs than LFs: then no CR stands alone either.
  std::size_t lineFeeds = 0;
  for (std::size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1)) {
    if (at == 0 || text[at - 1] != '\r') return false;
    ++lineFeeds;
  }
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r')) == lineFeeds;
}

std::string withCrLfLines(std::string text) {
  if (text.empty() || (text.ends_with("\r\n") && hasOnlyCrLfLineEnds(text))) return text;
  return joinLinesCrLf(splitLines(text));
}

FileResult readFileBytes(const std::filesystem::path& path, std::string& bytes) {
  return readFileHead(path, std::string::npos, bytes);
}

FileResult readFileHead(const std::filesystem::path& path, std::size_t limit, std::string& bytes) {
  bytes.clear();
  // O_NONBLOCK: a FIFO without a writer (or a device) must not hold the open; only a regular
  // file is read.
  Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
  if (file.fd < 0) return failure(path, "cannot open", errno);
  struct stat info {};
  if (::fstat(file.fd, &info) != 0) return failure(path, "cannot read", errno);
  if (!S_ISREG(info.st_mode)) return failure(path, "not a file:", EISDIR);
  if (const int flags = ::fcntl(file.fd, F_GETFL); flags >= 0) ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK);
  char buffer[65536];
  while (bytes.size() < limit) {
    const ssize_t got = ::read(file.fd, buffer, std::min(sizeof buffer, limit - bytes.size()));
    if (got < 0) {
      if (errno == EINTR) continue;
      return failure(path, "cannot read", errno);
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return {true, {}};
}

namespace {

// ".NAME.tmp" followed by digits: a temporary of ours for NAME.
bool isTemporaryOf(const std::string& candidate, const std::string& prefix) {
  if (!candidate.starts_with(prefix) || candidate.size() == prefix.size()) return false;
  return std::all_of(candidate.begin() + static_cast<std::ptrdiff_t>(prefix.size()), candidate.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// A write killed half way leaves its temporary behind; one older than a minute is nobody's now
// (a younger one may belong to another instance writing this very moment).
void removeStaleTemporaries(const std::filesystem::path& folder, const std::string& prefix) {
  namespace fs = std::filesystem;
  std::error_code error;
  const auto now = fs::file_time_type::clock::now();
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (!isTemporaryOf(name, prefix)) continue;
    const auto written = fs::last_write_time(entry.path(), error);
    if (error || now - written < std::chrono::minutes(1)) continue;
    fs::remove(entry.path(), error);
  }
}

}  // namespace

namespace {

FileResult writeThroughTemporary(const std::filesystem::path& path, std::string_view bytes, std::int64_t keepFrom,
                                 bool replace);

// Renames `from` to `to` unless `to` exists: at once where the file system can, else by a
// hard link, else (a file system with neither) after a look.
int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return -1;
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno == EEXIST) return -1;
  struct stat there {};
  if (::lstat(to.c_str(), &there) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(from.c_str(), to.c_str());
}

}  // namespace

FileResult writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  return replaceFileHead(path, bytes, -1);
}

FileResult writeNewFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  struct stat there {};
  if (::lstat(path.c_str(), &there) == 0) return failure(path, "cannot write", EEXIST);
  return writeThroughTemporary(path, bytes, -1, false);
}

FileResult replaceFileHead(const std::filesystem::path& path, std::string_view bytes, std::int64_t keepFrom) {
  return writeThroughTemporary(path, bytes, keepFrom, true);
}

namespace {

FileResult writeThroughTemporary(const std::filesystem::path& path, std::string_view bytes, std::int64_t keepFrom,
                                 bool replace) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  const std::string prefix = "." + path.filename().string() + ".tmp";
  removeStaleTemporaries(folder, prefix);
  std::random_device random;
  const std::filesystem::path temporary = folder / (prefix + std::to_string(random() % 1000000));
  FileResult result{true, {}};
  {
    Fd file{::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)};
    if (file.fd < 0) return failure(path, "cannot write", errno);
    // Keep the old file's permissions where there is one.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
      if (S_ISDIR(old.st_mode)) {
        ::unlink(temporary.c_str());
        return failure(path, "cannot write", EISDIR);
      }
      ::fchmod(file.fd, old.st_mode & 07777);
    }
    const auto put = [&](std::string_view piece) {
      std::size_t done = 0;
      while (done < piece.size() && result.ok) {
        const ssize_t n = ::write(file.fd, piece.data() + done, piece.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) result = failure(path, "cannot write", n < 0 ? errno : ENOSPC);
        else done += static_cast<std::size_t>(n);
      }
    };
    put(bytes);
    if (keepFrom >= 0) {
      // The old file's bytes from keepFrom on, a piece at a time.
      Fd previous{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
      char buffer[65536];
      for (off_t at = static_cast<off_t>(keepFrom); previous.fd >= 0 && result.ok;) {
        const ssize_t got = ::pread(previous.fd, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) result = failure(path, "cannot read", errno);
        if (got <= 0) break;
        put({buffer, static_cast<std::size_t>(got)});
        at += got;
      }
    }
    if (result.ok && ::fsync(file.fd) != 0) result = failure(path, "cannot write", errno);
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0 && result.ok) result = failure(path, "cannot write", errno);
  }
  if (result.ok && (replace ? ::rename(temporary.c_str(), path.c_str()) : renameNoReplace(temporary, path)) != 0)
    result = failure(path, "cannot write", errno);
  if (!result.ok) {
    ::unlink(temporary.c_str());
    return result;
  }
  // Make the rename itself durable.
  Fd dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (dir.fd >= 0) ::fsync(dir.fd);
  return result;
}

}  // namespace

FileResult readTextFile(const std::filesystem::path& path, TextFileContent& content) {
  std::string bytes;
  FileResult result = readFileBytes(path, bytes);
  if (!result.ok) {
    content = {};
    return result;
  }
  DecodedText decoded = decodeText(bytes);
  content.text = std::move(decoded.utf8);
  content.encoding = decoded.encoding;
  content.replacedBytes = decoded.replaced;
  return result;
}

FileResult readTextLines(const std::filesystem::path& path, std::vector<std::string>& lines, TextEncoding* encoding) {
  TextFileContent content;
  FileResult result = readTextFile(path, content);
  lines = splitLines(content.text);
  if (encoding) *encoding = content.encoding;
  return result;
}

FileResult writeTextFile(const std::filesystem::path& path, std::string_view utf8, TextEncoding encoding) {
  return writeFileAtomically(path, encodeText(utf8, encoding));
}

}  // namespace tessaly
