// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/UnwrittenRows.h"

#include <charconv>
#include <filesystem>
#include <set>

#include "text/Module1.h"

namespace tessaly {

namespace {

constexpr std::string_view kHeader = "tessaly unwritten rows 1";

std::string escaped(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (const char c : field) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string unescaped(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    switch (field[++i]) {
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      default: out += field[i];
    }
  }
  return out;
}

template <typename Number>
std::string numberText(Number value) {
  char text[64];
  const auto written = std::to_chars(text, text + sizeof text, value);
  return std::string(text, written.ptr);
}

template <typename Number>
bool readNumber(std::string_view text, Number& value) {
  const auto read = std::from_chars(text.data(), text.data() + text.size(), value);
  return read.ec == std::errc() && read.ptr == text.data() + text.size();
}

void addLine(std::string& out, std::initializer_list<std::string> fields) {
  bool first = true;
  for (const std::string& field : fields) {
    if (!first) out += '\t';
    out += field;
    first = false;
  }
  out += '\n';
}

// One line of the file into `rows`; false for a line that is not one of ours.
bool readLine(const std::vector<std::string_view>& f, std::vector<UnwrittenRow>& rows) {
  if (f[0] == "check" && f.size() == 6) {
    CheckRecord check;
    RecordingIdentity identity;
    check.recording = unescaped(f[1]);
    identity.hash = unescaped(f[3]);
    if (!readNumber(f[2], identity.size) || !readNumber(f[4], check.at) || !readNumber(f[5], check.day)) return false;
    rows.push_back({std::move(check), std::move(identity), true});
    return true;
  }
  if (f[0] == "sentence" && f.size() == 6) {
    if (rows.empty() || rows.back().isTake()) return false;
    RecordedSentence s;
    s.reference = unescaped(f[4]);
    s.written = unescaped(f[5]);
    if (!readNumber(f[1], s.startMs) || !readNumber(f[2], s.endMs) || !readNumber(f[3], s.accuracy)) return false;
    std::get<CheckRecord>(rows.back().row).sentences.push_back(std::move(s));
    return true;
  }
  if (f[0] == "slip" && f.size() == 8) {
    if (rows.empty() || rows.back().isTake() || std::get<CheckRecord>(rows.back().row).sentences.empty()) return false;
    RecordedSlip x{unescaped(f[1]), unescaped(f[2]), unescaped(f[3]), unescaped(f[4]), unescaped(f[5]), 0, 0};
    if (!readNumber(f[6], x.expectedTone) || !readNumber(f[7], x.writtenTone)) return false;
    std::get<CheckRecord>(rows.back().row).sentences.back().slips.push_back(std::move(x));
    return true;
  }
  if (f[0] == "take" && f.size() == 15) {
    TakeRecord take;
    RecordingIdentity identity;
    take.recording = unescaped(f[1]);
    identity.hash = unescaped(f[3]);
    take.reference = unescaped(f[6]);
    take.reasons = unescaped(f[11]);
    take.takePath = unescaped(f[12]);
    if (!readNumber(f[2], identity.size) || !readNumber(f[4], take.startMs) || !readNumber(f[5], take.endMs) ||
        !readNumber(f[7], take.score) || !readNumber(f[8], take.lengthRatio) || !readNumber(f[9], take.shape) ||
        !readNumber(f[10], take.rangeSt) || !readNumber(f[13], take.at) || !readNumber(f[14], take.day))
      return false;
    rows.push_back({std::move(take), std::move(identity), true});
    return true;
  }
  return false;
}

}  // namespace

const std::string& UnwrittenRow::recording() const {
  return std::visit([](const auto& r) -> const std::string& { return r.recording; }, row);
}

std::string unwrittenRowsText(const std::vector<UnwrittenRow>& rows) {
  std::string out(kHeader);
  out += '\n';
  for (const UnwrittenRow& r : rows) {
    const std::string size = numberText(r.identity.size), hash = escaped(r.identity.hash);
    if (const auto* check = std::get_if<CheckRecord>(&r.row)) {
      addLine(out, {"check", escaped(check->recording), size, hash, numberText(check->at), numberText(check->day)});
      for (const RecordedSentence& s : check->sentences) {
        addLine(out, {"sentence", numberText(s.startMs), numberText(s.endMs), numberText(s.accuracy), escaped(s.reference),
                      escaped(s.written)});
        for (const RecordedSlip& x : s.slips)
          addLine(out, {"slip", escaped(x.kind), escaped(x.expected), escaped(x.written), escaped(x.expectedReading),
                        escaped(x.writtenReading), numberText(x.expectedTone), numberText(x.writtenTone)});
      }
    } else {
      const TakeRecord& take = std::get<TakeRecord>(r.row);
      addLine(out, {"take", escaped(take.recording), size, hash, numberText(take.startMs), numberText(take.endMs),
                    escaped(take.reference), numberText(take.score), numberText(take.lengthRatio), numberText(take.shape),
                    numberText(take.rangeSt), escaped(take.reasons), escaped(take.takePath), numberText(take.at),
                    numberText(take.day)});
    }
  }
  out += "end\n";
  return out;
}

std::optional<std::vector<UnwrittenRow>> readUnwrittenRows(std::string_view text) {
  std::vector<std::string_view> lines = splitAt(text, '\n');
  // Whole: the header first, "end" last (and nothing after its line end).
  if (lines.size() < 3 || lines.front() != kHeader || !lines.back().empty() || lines[lines.size() - 2] != "end")
    return std::nullopt;
  std::vector<UnwrittenRow> rows;
  for (std::size_t i = 1; i + 2 < lines.size(); ++i)
    if (!readLine(splitAt(lines[i], '\t'), rows)) return std::nullopt;
  return rows;
}

std::string unwrittenRowsSummary(const std::vector<UnwrittenRow>& rows) {
  int checks = 0, takes = 0;
  std::set<std::string> names;
  std::string named;
  for (const UnwrittenRow& r : rows) {
    ++(r.isTake() ? takes : checks);
    const std::string name = std::filesystem::path(r.recording()).filename().string();
    if (names.insert(name).second && names.size() <= 3) named += (named.empty() ? "" : "、") + name;
  }
  if (names.size() > 3) named += " 等";
  std::string text;
  if (checks > 0) text += std::to_string(checks) + " 次检查";
  if (takes > 0) text += (text.empty() ? "" : "和 ") + std::to_string(takes) + " 次跟读成绩";
  return text + "（" + named + "）";
}

}  // namespace tessaly
