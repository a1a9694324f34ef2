// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-probe --check DICTATION REFERENCE: the cost of the dictation check, apart from
// starting a program: reading the check's tables (once, at the first check: the readings of
// characters and words, the spelling pairs) and the memory they take, then
// the check as the practice window runs it on its thread (units, alignment, classes, the
// marked-up text, each sentence's errors), the median of five. One JSON line.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "Json.h"
#include "Stretching.h"
#include "practice/CheckRunner.h"
#include "text/TextFile.h"

namespace tessaly::bench {

namespace {
// The process's resident memory, from /proc.
long residentKb() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return 0;
  char line[256];
  long kb = 0;
  while (std::fgets(line, sizeof line, status))
    if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) break;
  std::fclose(status);
  return kb;
}

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

int check(const std::string& table, const std::string& dictationFile, const std::string& referenceFile) {
  TextFileContent dictation;
  Reference reference;
  if (!readTextFile(dictationFile, dictation).ok || !referenceFromFile(referenceFile, reference)) {
    std::fprintf(stderr, "cannot read %s or %s\n", dictationFile.c_str(), referenceFile.c_str());
    return 2;
  }
  auto started = std::chrono::steady_clock::now();
  const long before = residentKb();
  CheckTables tables;
  const bool loaded = loadCheckTables(table, tables);
  const double tableMs = msSince(started);
  const long tableKb = residentKb() - before;
  std::vector<double> times;
  PracticeCheck result;
  for (int i = 0; i < 5; ++i) {
    started = std::chrono::steady_clock::now();
    result = practiceCheck(dictation.text, reference, tables);
    times.push_back(msSince(started));
  }
  std::sort(times.begin(), times.end());
  std::printf(
      "{\"dictation\":%s,\"reference_units\":%d,\"dictation_units\":%zu,\"errors\":%d,\"table_loaded\":%s,"
      "\"table_ms\":%.1f,\"table_mb\":%.1f,\"check_ms_median\":%.1f,\"check_ms_max\":%.1f}\n",
      jsonString(dictationFile).c_str(), result.result.referenceUnits(), result.result.dictation.size(),
      result.result.errors(), loaded ? "true" : "false", tableMs, tableKb / 1024.0, times[2], times[4]);
  return 0;
}

}  // namespace tessaly::bench
