// SPDX-License-Identifier: GPL-3.0-or-later
// The dictation check's rules: units, folding, alignment, the classes of slips with real
// homophone and tone pairs from the Mandarin readings table, mixed scripts, empty texts;
// and tessaly-check on files.
#include "check/Check.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

#include "support/TempFolder.h"
#include "text/Encoding.h"

namespace tessaly {
namespace {

const ReadingTable& table() {
  static const ReadingTable loaded = [] {
    ReadingTable t;
    EXPECT_TRUE(t.load(TESSALY_PINYIN_TABLE)) << TESSALY_PINYIN_TABLE;
    return t;
  }();
  return loaded;
}

std::vector<std::string> texts(const std::vector<Unit>& units) {
  std::vector<std::string> out;
  for (const Unit& u : units) out.push_back(u.text);
  return out;
}

TEST(CheckUnits, HanCharactersAndFoldedWordsPunctuationNone) {
  using V = std::vector<std::string>;
  const struct {
    const char* text;
    V units;
  } cases[] = {
      {"今天天气很好。", {"今", "天", "天", "气", "很", "好"}},
      {"Don't STOP, ｓｔｏｐ！", {"don't", "stop", "stop"}},
      {"'quoted' words'", {"quoted", "words"}},
      {"第３课 page 12，共２０页", {"第", "3", "课", "page", "12", "共", "20", "页"}},
      {"我用iPhone打电话", {"我", "用", "iphone", "打", "电", "话"}},
      {"  \r\n，。！？、“”（）", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(texts(unitsOf(c.text)), c.units) << c.text;
  const auto units = unitsOf("好 Hi");
  EXPECT_EQ(units[1].begin, 4u);
  EXPECT_EQ(units[1].end, 6u);
}

TEST(CheckReadings, ParsesPinyinWithTones) {
  EXPECT_EQ(parseReading("zhōng"), (Reading{"zhong", 1}));
  EXPECT_EQ(parseReading("lǜ"), (Reading{"lv", 4}));
  EXPECT_EQ(parseReading("nǚ"), (Reading{"nv", 3}));
  EXPECT_EQ(parseReading("ma"), (Reading{"ma", 5}));
  EXPECT_EQ(parseReading("ḿ"), (Reading{"m", 2}));
  EXPECT_EQ(parseReading("zh0ng").syllable, "");
}

TEST(Check, ClassifiesTheSlipsLearnersMake) {
  const struct {
    const char* dictation;
    const char* reference;
    int s, d, i;
    int homophone, tone, spelling, other;
  } cases[] = {
      {"他", "她", 1, 0, 0, 1, 0, 0, 0},          // tā for tā: a homophone
      {"卖东西", "买东西", 1, 0, 0, 0, 1, 0, 0},  // mài for mǎi: a tone not heard
      {"在", "再", 1, 0, 0, 1, 0, 0, 0},
      {"是", "事", 1, 0, 0, 1, 0, 0, 0},  // shì and shì
      {"大", "小", 1, 0, 0, 0, 0, 0, 1},
      {"recieve", "receive", 1, 0, 0, 0, 0, 1, 0},  // long word, 2 edits
      {"cat", "cut", 1, 0, 0, 0, 0, 1, 0},
      {"cat", "dog", 1, 0, 0, 0, 0, 0, 1},
      {"猫", "cat", 1, 0, 0, 0, 0, 0, 1},  // across scripts
      {"今天很好", "今天天气很好", 0, 2, 0, 0, 0, 0, 0},
      {"今天天天气很好", "今天天气很好", 0, 0, 1, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.dictation) + " / " + c.reference);
    const CheckResult r = checkDictation(c.dictation, c.reference, table());
    EXPECT_EQ(r.substitutions, c.s);
    EXPECT_EQ(r.deletions, c.d);
    EXPECT_EQ(r.insertions, c.i);
    EXPECT_EQ(r.homophones, c.homophone);
    EXPECT_EQ(r.tones, c.tone);
    EXPECT_EQ(r.spellings, c.spelling);
    EXPECT_EQ(r.others, c.other);
  }
}

TEST(Check, AccuracyIsOneMinusErrorsOverReferenceUnitsNeverBelowZero) {
  const struct {
    const char* dictation;
    const char* reference;
    int units;
    double accuracy;
  } cases[] = {
      {"今天天气很好。", "今天天气很好", 6, 100.0},
      {"今天天汽很好", "今天天气很好", 6, 83.3},
      {"", "今天天气很好", 6, 0.0},
      {"好多好多好多好多好多好多好多", "好", 1, 0.0},  // many insertions: 0, not negative
      {"", "", 0, 100.0},
      {"多写", "", 0, 0.0},
  };
  for (const auto& c : cases) {
    const CheckResult r = checkDictation(c.dictation, c.reference, table());
    EXPECT_EQ(r.referenceUnits(), c.units) << c.dictation;
    EXPECT_DOUBLE_EQ(r.accuracy(), c.accuracy) << c.dictation;
  }
  // The edits walk both texts in order, each unit once.
  const CheckResult r = checkDictation("我们去图书官把", "我们一起去图书馆吧", table());
  int refSeen = 0, dicSeen = 0;
  for (const Edit& e : r.edits) {
    refSeen += e.reference >= 0;
    dicSeen += e.dictation >= 0;
  }
  EXPECT_EQ(refSeen, r.referenceUnits());
  EXPECT_EQ(dicSeen, static_cast<int>(r.dictation.size()));
  EXPECT_EQ(r.deletions, 2);
  EXPECT_EQ(r.substitutions, 2);
}

TEST(TessalyCheck, JsonLineOnFilesAndLrcReferencesAndAWordForAMissingFile) {
  test::TempFolder folder;
  test::writeBytes(folder / "dictation.txt", utf8ToGb18030("你好，欢迎来到听写练习。\r\n今天天汽很好。\r\n"));
  test::writeBytes(folder / "answer.lrc", "[ti:样例]\n[00:00.00]你好，欢迎来到听写练习。\n[00:04.56]今天天气很好。\n");
  const auto run = [](const std::string& args) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((std::string(TESSALY_CHECK) + " " + args + " 2>&1").c_str(), "r"),
                                               pclose);
    std::array<char, 512> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe.get())) out += buffer.data();
    const int status = pclose(pipe.release());
    return std::make_pair(WEXITSTATUS(status), out);
  };
  const auto [status, out] = run("--json " + (folder / "dictation.txt").string() + " " + (folder / "answer.lrc").string());
  EXPECT_EQ(status, 0);
  // 16 units (the tags and times are none); 汽 for 气, both qì: a homophone slip.
  // The fields it always had come first, as they were (new fields follow them).
  EXPECT_TRUE(
      out.starts_with("{\"reference_units\":16,\"errors\":1,\"substitutions\":1,\"deletions\":0,\"insertions\":0,"
                      "\"accuracy\":93.8,\"classes\":{\"homophone\":1,\"tone\":0,\"spelling\":0,\"other\":0},"))
      << out;
  const auto [missing, said] = run((folder / "nowhere.txt").string() + " " + (folder / "answer.lrc").string());
  EXPECT_EQ(missing, 2);
  EXPECT_NE(said.find("nowhere.txt"), std::string::npos);
}

}  // namespace
}  // namespace tessaly
