// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-check [--json] DICTATION REFERENCE: checks a dictation file against its reference,
// for teachers who grade many (see check/Check.h for the rules). A reference may be an .lrc or
// an .srt, whose tags and times are not units, or a plain text, split into sentences at
// 。！？.!? and line ends. Only the sentences the dictation reaches are checked. Prints a
// readable report in Chinese, or with --json one line: reference_units, errors,
// substitutions, deletions, insertions, accuracy, classes {homophone, tone, spelling, other}
// (all over the checked sentences), equivalences, too_different (the texts are too far apart
// to align: nothing else is counted), sentences_checked, sentences_total (0 for a
// reference of one sentence), sentences [{index (from 1), start_ms (null without times),
// accuracy, errors}], slips [{kind, reference, written, class, reference_reading,
// written_reading, sentence}]. A missing or unreadable file: a message naming it, exit status
// 2. Files are read with the program's text rule (GB18030, UTF-8).
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

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

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      out += escaped;
      continue;
    }
    out += c;
  }
  return out + "\"";
}

std::string jsonOrNull(const std::string& text) { return text.empty() ? "null" : jsonString(text); }

const char* kindName(EditKind kind) {
  return kind == EditKind::Substitution ? "substitution" : kind == EditKind::Deletion ? "deletion" : "insertion";
}

const char* className(SlipClass slip) {
  switch (slip) {
    case SlipClass::Homophone: return "\"homophone\"";
    case SlipClass::Tone: return "\"tone\"";
    case SlipClass::Spelling: return "\"spelling\"";
    case SlipClass::Other: return "\"other\"";
    case SlipClass::None: break;
  }
  return "null";
}

std::string jsonReport(const CheckResult& r, const Reference& reference) {
  char head[512];
  std::snprintf(head, sizeof head,
                "{\"reference_units\":%d,\"errors\":%d,\"substitutions\":%d,\"deletions\":%d,\"insertions\":%d,"
                "\"accuracy\":%.1f,\"classes\":{\"homophone\":%d,\"tone\":%d,\"spelling\":%d,\"other\":%d},"
                "\"equivalences\":%d,\"too_different\":%s,\"sentences_checked\":%d,\"sentences_total\":%d",
                r.referenceUnits(), r.errors(), r.substitutions, r.deletions, r.insertions, r.accuracy(), r.homophones,
                r.tones, r.spellings, r.others, r.equivalences, r.tooDifferent ? "true" : "false", r.sentencesChecked,
                r.sentencesTotal);
  std::string out = head;
  out += ",\"sentences\":[";
  for (const SentenceScore& s : r.sentenceScores) {
    const Sentence& sentence = reference.sentences[static_cast<std::size_t>(s.sentence)];
    char line[160];
    std::snprintf(line, sizeof line, "%s{\"index\":%d,\"start_ms\":%s,\"accuracy\":%.1f,\"errors\":%d}",
                  s.sentence ? "," : "", s.sentence + 1,
                  reference.timed ? std::to_string(sentence.startMs).c_str() : "null", s.accuracy(), s.errors);
    out += line;
  }
  out += "],\"slips\":[";
  bool first = true;
  for (const Edit& e : r.edits) {
    if (e.kind == EditKind::Match) continue;
    const std::string want = e.reference >= 0 ? r.reference[static_cast<std::size_t>(e.reference)].text : "";
    const std::string got = e.dictation >= 0 ? r.dictation[static_cast<std::size_t>(e.dictation)].text : "";
    out += first ? "{" : ",{";
    first = false;
    out += "\"kind\":\"" + std::string(kindName(e.kind)) + "\",\"reference\":" + jsonOrNull(want) +
           ",\"written\":" + jsonOrNull(got) + ",\"class\":" + className(e.slip) +
           ",\"reference_reading\":" + jsonOrNull(e.referenceReading.syllable.empty() ? "" : pinyinOf(e.referenceReading)) +
           ",\"written_reading\":" + jsonOrNull(e.writtenReading.syllable.empty() ? "" : pinyinOf(e.writtenReading)) +
           ",\"sentence\":" + (e.sentence >= 0 ? std::to_string(e.sentence + 1) : std::string("null")) + "}";
  }
  return out + "]}";
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
  CheckTables tables;
  loadCheckTables(readingsTable(), tables);
  const Reference checked = referenceFromText(files[1], reference.text);
  const CheckResult r = checkAgainst(dictation.text, checked, tables);
  if (json) {
    std::printf("%s\n", jsonReport(r, checked).c_str());
    return 0;
  }
  std::printf("听写：%s\n参考：%s\n%s\n", files[0].c_str(), files[1].c_str(), checkReport(r, SIZE_MAX).c_str());
  return 0;
}
