// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-align RECORDING TRANSCRIPT [OUT.lrc]: a published transcript (a text file in any of
// the program's encodings) aligned to its recording, written as an .lrc with one line a
// sentence heard, in the transcript's order: to OUT.lrc (a new file, never over one), else
// to standard output. A JSON summary on standard error: {"sentences", "found", "left_out":
// [{"line", "text"}], "align_ms"}. Exit status 0 when written; 2 for a bad argument, a file
// that cannot be read or is no text, a transcript without sentences, one of another
// recording ("这个文本和录音对不上", nothing written) or an OUT that exists; 1 when OUT
// cannot be written.
#include <sys/stat.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "align/engine/TranscriptAligner.h"
#include "text/TextFile.h"

namespace {

using namespace tessaly;

int usage(const std::string& why) {
  std::fprintf(stderr, "%s\n用法：tessaly-align 录音 文本.txt [输出.lrc]\n（没有输出文件时写到标准输出）\n", why.c_str());
  return 2;
}

std::string json(const std::string& s) {
  std::string out = "\"";
  for (const unsigned char c : s) {
    if (c == '"' || c == '\\') out += '\\', out += static_cast<char>(c);
    else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else out += static_cast<char>(c);
  }
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.starts_with("--") || (arg.starts_with("-") && arg.size() > 1)) return usage("不认识的选项：" + arg);
    files.push_back(arg);
  }
  if (files.size() < 2 || files.size() > 3) return usage("缺少参数。");
  const std::string& recording = files[0];
  const std::string& transcript = files[1];
  const std::string out = files.size() == 3 ? files[2] : std::string();
  struct stat there {};
  if (!out.empty() && ::lstat(out.c_str(), &there) == 0) {
    std::fprintf(stderr, "输出文件已经存在，不会覆盖它：%s\n请换一个文件名，或先移走这个文件。\n", out.c_str());
    return 2;
  }

  const auto started = std::chrono::steady_clock::now();
  const align::TranscriptAlignment done = align::alignTranscriptFile(recording, transcript);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  if (done.outcome != align::AlignOutcome::Aligned) {
    if (done.outcome == align::AlignOutcome::NoMatch)
      std::fprintf(stderr, "这个文本和录音对不上，没有写任何东西：%s\n", transcript.c_str());
    else std::fprintf(stderr, "%s\n", done.message.c_str());
    return 2;
  }
  const std::string lrc = align::lrcText(done.sentences);
  if (out.empty()) {
    std::fwrite(lrc.data(), 1, lrc.size(), stdout);
    if (std::fflush(stdout) != 0) return 1;
  } else if (const FileResult written = writeNewFileAtomically(out, lrc); !written.ok) {
    std::fprintf(stderr, "无法写入输出文件：%s\n%s\n", out.c_str(), written.error.c_str());
    return ::lstat(out.c_str(), &there) == 0 ? 2 : 1;
  }
  std::string summary = "{\"sentences\":" + std::to_string(done.sentences.size()) +
                        ",\"found\":" + std::to_string(done.found()) + ",\"left_out\":[";
  bool first = true;
  for (const align::AlignedSentence& s : done.sentences) {
    if (s.found) continue;
    summary += std::string(first ? "" : ",") + "{\"line\":" + std::to_string(s.line) + ",\"text\":" + json(s.text) + "}";
    first = false;
  }
  char timing[64];
  std::snprintf(timing, sizeof timing, "],\"align_ms\":%.0f}", ms);
  std::fprintf(stderr, "%s%s\n", summary.c_str(), timing);
  return 0;
}
