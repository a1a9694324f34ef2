// tessaly-check [--json] DICTATION REFERENCE: checks a dictation file against its reference,
// for teachers who grade many (see check/Check.h for the rules). A reference may be an .lrc or
// an .srt, whose tags and times are not units. Prints a readable report in Chinese, or with
// --json one line: reference_units, errors, substitutions, deletions, insertions, accuracy,
// classes {homophone, tone, spelling, other}. A missing or unreadable file: a message naming
// it, exit status 2. Files are read with the program's text rule (GB18030, UTF-8).
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "check/Check.h"
#include "check/Reference.h"
#include "check/Report.h"
#include "text/TextFile.h"

namespace {

namespace fs = std::filesystem;
using namespace tessaly;

// The readings table: beside the program (a build), or in its installed data folder.
fs::path readingsTable() {
  char self[PATH_MAX] = {};
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  const fs::path folder = n > 0 ? fs::path(std::string(self, static_cast<std::size_t>(n))).parent_path() : fs::path(".");
  for (const fs::path& candidate : {folder / "pinyin.txt", folder / ".." / "share" / "tessaly" / "pinyin.txt"})
    if (fs::exists(candidate)) return candidate;
  return folder / "pinyin.txt";
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--json") json = true;
    else files.push_back(arg);
  }
  if (files.size() != 2) {
    std::fprintf(stderr, "用法：tessaly-check [--json] 听写文件 参考文本（可以是 .txt、.lrc 或 .srt）\n");
    return 2;
  }
  TextFileContent dictation, reference;
  for (auto [path, content] : {std::pair{&files[0], &dictation}, std::pair{&files[1], &reference}}) {
    if (!readTextFile(*path, *content).ok) {
      std::fprintf(stderr, "无法读取文件：%s\n", path->c_str());
      return 2;
    }
  }
  ReadingTable readings;
  readings.load(readingsTable());
  const CheckResult r = checkDictation(dictation.text, referenceFromText(files[1], reference.text).text, readings);
  if (json) {
    std::printf("{\"reference_units\":%d,\"errors\":%d,\"substitutions\":%d,\"deletions\":%d,\"insertions\":%d,"
                "\"accuracy\":%.1f,\"classes\":{\"homophone\":%d,\"tone\":%d,\"spelling\":%d,\"other\":%d}}\n",
                r.referenceUnits(), r.errors(), r.substitutions, r.deletions, r.insertions, r.accuracy(), r.homophones,
                r.tones, r.spellings, r.others);
    return 0;
  }
  std::printf("听写：%s\n参考：%s\n%s\n", files[0].c_str(), files[1].c_str(), checkReport(r, SIZE_MAX).c_str());
  return 0;
}
