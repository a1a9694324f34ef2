// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/TextFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>

#include "support/TempFolder.h"
#include "text/FileReader.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

TEST(SplitLines, FollowsTheProgramsLineRule) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(splitLines(""), Lines{});
  EXPECT_EQ(splitLines("abc"), Lines{"abc"});
  EXPECT_EQ(splitLines("abc\r\n"), Lines{"abc"});
  EXPECT_EQ(splitLines("abc\r\ndef"), (Lines{"abc", "def"}));
  EXPECT_EQ(splitLines("a\rb\r\nc\r\n"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(splitLines("a\nb\nc\n"), Lines{"a\nb\nc\n"});  // lone LF stays in the line
  EXPECT_EQ(splitLines("\r\n\r\n"), (Lines{"", ""}));
  EXPECT_EQ(splitLines("a\r\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(splitLines("a\n\r\n"), Lines{"a\n"});
}

TEST(TextFile, RoundTripsAnyUnicodeText) {
  test::TempFolder dir;
  const std::string texts[] = {
      "",
      "abc",
      "听写\r\n第二行　全角空格　\r\n",
      "emoji 😀 and 𠀀 (plane 2) and ü é ß",
      std::string(100000, 'x') + "长行" + std::string(100000, 'y'),
      "\r\n\r\n  leading and trailing spaces  \r\n",
  };
  for (const auto& text : texts) {
    const fs::path file = dir.path() / "t.txt";
    ASSERT_TRUE(writeTextFile(file, text).ok);
    TextFileContent back;
    ASSERT_TRUE(readTextFile(file, back).ok);
    EXPECT_EQ(back.text, text);
    EXPECT_EQ(back.encoding, TextEncoding::Gb18030);
  }
}

TEST(TextFile, AGb18030TextThatIsAlsoValidUtf8IsReadAsUtf8) {
  // The known exception: GB18030 bytes that happen to be valid UTF-8. D3 87 is a GBK
  // character and also the UTF-8 form of U+04C7; a real dictation practically never
  // consists of such pairs only.
  const std::string text = gb18030ToUtf8("\xD3\x87");
  ASSERT_EQ(utf8ToGb18030(text), "\xD3\x87");
  const DecodedText back = decodeText(utf8ToGb18030(text));
  EXPECT_EQ(back.encoding, TextEncoding::Utf8);
  EXPECT_NE(back.utf8, text);
  // One ordinary character beside it is enough to keep the text GB18030.
  EXPECT_EQ(decodeText(utf8ToGb18030(text + "听")).utf8, text + "听");
}

TEST(TextFile, KeepsTheEncodingOfAUsersUtf8File) {
  test::TempFolder dir;
  const fs::path plain = dir.path() / "plain.txt";
  const fs::path withBom = dir.path() / "bom.txt";
  test::writeBytes(plain, "你好\r\n");
  test::writeBytes(withBom, "\xEF\xBB\xBF你好\r\n");

  TextFileContent content;
  ASSERT_TRUE(readTextFile(plain, content).ok);
  EXPECT_EQ(content.text, "你好\r\n");
  EXPECT_EQ(content.encoding, TextEncoding::Utf8);
  ASSERT_TRUE(writeTextFile(plain, content.text + "再见", content.encoding).ok);
  EXPECT_EQ(test::readBytes(plain), "你好\r\n再见");

  ASSERT_TRUE(readTextFile(withBom, content).ok);
  EXPECT_EQ(content.text, "你好\r\n");
  EXPECT_EQ(content.encoding, TextEncoding::Utf8Bom);
  ASSERT_TRUE(writeTextFile(withBom, content.text, content.encoding).ok);
  EXPECT_EQ(test::readBytes(withBom), "\xEF\xBB\xBF你好\r\n");
}

TEST(TextFile, ATextItsEncodingWouldChangeIsWrittenAsUtf8WithABom) {
  test::TempFolder dir;
  const fs::path file = dir.path() / "t.txt";
  const std::string nearUtf8 = gb18030ToUtf8("\xD3\x87");  // its GB18030 bytes are valid UTF-8
  const struct {
    const char* what;
    std::string text;
    TextEncoding encoding;
  } cases[] = {
      {"a private-use character GB18030 has no bytes for", "听写\uE855", TextEncoding::Gb18030},
      {"the first of them, alone", "\uE78D", TextEncoding::Gb18030},
      {"a character whose GB18030 bytes read as UTF-8", nearUtf8, TextEncoding::Gb18030},
      {"a UTF-8 text that begins with U+FEFF", "\uFEFF你好", TextEncoding::Utf8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(writeTextFile(file, c.text, c.encoding).ok);
    EXPECT_EQ(test::readBytes(file), "\xEF\xBB\xBF" + c.text);
    TextFileContent back;
    ASSERT_TRUE(readTextFile(file, back).ok);
    EXPECT_EQ(back.text, c.text);
    EXPECT_EQ(back.replacedBytes, 0u);
  }
  // Beside an ordinary character the same near-UTF-8 character stays GB18030.
  ASSERT_TRUE(writeTextFile(file, nearUtf8 + "听", TextEncoding::Gb18030).ok);
  EXPECT_EQ(test::readBytes(file), "\xD3\x87\xCC\xFD");
}

TEST(TextFile, ReadsGbkBytesWrittenByTheOldProgram) {
  test::TempFolder dir;
  const fs::path file = dir.path() / "old.txt";
  test::writeBytes(file, "\xC4\xE3\xBA\xC3\r\n\xA1\xA1");  // 你好 CR LF, then U+3000 in GBK
  std::vector<std::string> lines;
  TextEncoding encoding{};
  ASSERT_TRUE(readTextLines(file, lines, &encoding).ok);
  EXPECT_EQ(lines, (std::vector<std::string>{"你好", "　"}));
  EXPECT_EQ(encoding, TextEncoding::Gb18030);
}

TEST(TextFile, InvalidBytesBecomeReplacementCharacters) {
  // Lone lead bytes, a truncated four-byte sequence, bytes that are neither GB18030 nor UTF-8.
  EXPECT_EQ(decodeText("a\xFF"
                       "b")
                .utf8,
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(decodeText("\x81").utf8, "\xEF\xBF\xBD");
  // A truncated four-byte sequence: the lead byte is replaced, then reading goes on.
  EXPECT_EQ(decodeText("ok\x81\x30\x81").utf8,
            "ok\xEF\xBF\xBD"
            "0\xEF\xBF\xBD");
  EXPECT_EQ(decodeText("\x80\x80").utf8, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextFile, GbkCharactersAreWrittenAsTheirGbkBytes) {
  // Every two-byte GBK character: the GB18030 bytes written must be its GBK bytes, as
  // iconv's own GBK conversion gives them.
  iconv_t toGbk = iconv_open("GBK", "UTF-8");
  iconv_t fromGbk = iconv_open("UTF-8", "GBK");
  ASSERT_NE(toGbk, reinterpret_cast<iconv_t>(-1));
  int checked = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      char gbk[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      char utf8[8];
      char* in = gbk;
      char* out = utf8;
      std::size_t inLeft = 2, outLeft = sizeof utf8;
      iconv(fromGbk, nullptr, nullptr, nullptr, nullptr);
      if (iconv(fromGbk, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) continue;
      const std::string character(utf8, static_cast<std::size_t>(out - utf8));
      // iconv's GBK must map the character back to the same two bytes, else it is not a
      // GBK character (a few code points are shared with other forms).
      char back[4];
      char* cin = const_cast<char*>(character.data());
      char* bout = back;
      std::size_t cLeft = character.size(), bLeft = sizeof back;
      iconv(toGbk, nullptr, nullptr, nullptr, nullptr);
      if (iconv(toGbk, &cin, &cLeft, &bout, &bLeft) == static_cast<std::size_t>(-1)) continue;
      const std::string gbkBytes(back, static_cast<std::size_t>(bout - back));
      if (gbkBytes != std::string(gbk, 2)) continue;
      ASSERT_EQ(utf8ToGb18030(character), gbkBytes) << std::hex << lead << ' ' << trail;
      ++checked;
    }
  }
  iconv_close(toGbk);
  iconv_close(fromGbk);
  EXPECT_GT(checked, 21000);  // GBK holds 21886 two-byte characters
}

TEST(TextFile, AtomicWriteLeavesTheOldFileWhenItFails) {
  test::TempFolder dir;
  const fs::path file = dir.path() / "keep.txt";
  ASSERT_TRUE(writeTextFile(file, "old text").ok);

  // A directory in the way of the target.
  const fs::path blocked = dir.path() / "folder.txt";
  fs::create_directory(blocked);
  const FileResult inTheWay = writeTextFile(blocked, "new");
  EXPECT_FALSE(inTheWay.ok);
  EXPECT_NE(inTheWay.error.find("folder.txt"), std::string::npos);

  if (::geteuid() != 0) {  // root writes into read-only folders
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(writeTextFile(file, "new text").ok);
    fs::permissions(dir.path(), fs::perms::owner_all);
  }
  EXPECT_EQ(test::readBytes(file), "old text");

  // No temporary file stays behind, whatever happened.
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 2);
}

TEST(TextFile, MissingFilesAndDirectoriesAreNotReadable) {
  test::TempFolder dir;
  std::vector<std::string> lines{"stale"};
  EXPECT_FALSE(readTextLines(dir.path() / "missing.txt", lines).ok);
  EXPECT_TRUE(lines.empty());
  std::string bytes;
  EXPECT_FALSE(readFileBytes(dir.path(), bytes).ok);
}

}  // namespace
}  // namespace tessaly

namespace tessaly {
namespace {

TEST(TextFile, AWriteRemovesStaleTemporariesItsKilledPredecessorsLeft) {
  test::TempFolder folder;
  const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
  const struct {
    const char* name;
    bool old;
    bool stays;
  } files[] = {
      {".lesson.txt.tmp123456", true, false},  // ours, from a write killed half way
      {".lesson.txt.tmp7", true, false},
      {".lesson.txt.tmp42", false, true},  // young: maybe another instance's write in progress
      {".lesson.txt.tmpx1", true, true},   // not a name of ours
      {".other.txt.tmp1", true, true},     // another file's
      {"lesson.txt.tmp1", true, true},
  };
  for (const auto& f : files) {
    test::writeBytes(folder / f.name, "half");
    if (f.old) fs::last_write_time(folder / f.name, old);
  }
  ASSERT_TRUE(writeTextFile(folder / "lesson.txt", "听写").ok);
  for (const auto& f : files) EXPECT_EQ(fs::exists(folder / f.name), f.stays) << f.name;
}

// What stands where a dictation, an .lrc or a play list is looked for, and how each reader
// answers: at once, and with the bytes only of a regular file of a person's size. A reader
// that waited on the FIFO is let go by opening its other end, so the test fails rather than
// hangs.
TEST(TextFile, OnlyRegularFilesOfAPersonsSizeAreReadAndNothingIsWaitedOn) {
  test::TempFolder dir;
  test::writeBytes(dir / "lesson.txt", "听写\r\n");
  ASSERT_EQ(::mkfifo((dir / "pipe.txt").c_str(), 0644), 0);
  fs::create_directory(dir / "folder.txt");
  {
    // Larger than any dictation, without taking the room (a sparse file).
    std::ofstream(dir / "huge.txt", std::ios::binary) << "x";
    fs::resize_file(dir / "huge.txt", kLargestUserFile + 1);
  }
  const struct {
    fs::path path;
    bool exists, read;
    FileProblem problem;
  } cases[] = {
      {dir / "lesson.txt", true, true, FileProblem::None},    {dir / "missing.txt", false, false, FileProblem::None},
      {dir / "pipe.txt", true, false, FileProblem::NotAFile}, {dir / "folder.txt", true, false, FileProblem::NotAFile},
      {"/dev/zero", true, false, FileProblem::NotAFile},  // a file that never ends
      {dir / "huge.txt", true, false, FileProblem::TooLarge},
  };
  // Runs `read` away from the test's thread; false if it waited on the FIFO.
  const auto answers = [&](const std::function<void()>& read) {
    auto done = std::async(std::launch::async, read);
    if (done.wait_for(std::chrono::seconds(20)) == std::future_status::ready) return true;
    const int writer = ::open((dir / "pipe.txt").c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    return false;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.string());
    FileBytes file;
    ASSERT_TRUE(answers([&] { file = readWhole(c.path.string()); })) << "readWhole waited";
    EXPECT_EQ(file.exists, c.exists);
    EXPECT_EQ(file.read, c.read);
    EXPECT_EQ(file.problem, c.problem);
    if (c.read) {
      EXPECT_EQ(file.text.utf8, "听写\r\n");
    }
    std::string bytes;
    bool ok = true;
    ASSERT_TRUE(answers([&] { ok = readFileBytes(c.path, bytes).ok; })) << "readFileBytes waited";
    if (c.problem == FileProblem::NotAFile) {
      EXPECT_FALSE(ok);
    }
  }
  EXPECT_TRUE(fs::is_fifo(dir / "pipe.txt"));
}

}  // namespace
}  // namespace tessaly
