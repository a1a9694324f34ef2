// SPDX-License-Identifier: GPL-3.0-or-later
// The transcript aligner on English lessons the test makes with a voice far from the one it
// synthesises with (Festival's us-slt-hts), with music before the first sentence and white
// noise at 15 dB under the speech, or nothing: the text of another English lesson refused,
// however near the English verdict lets a text come to its sentences played backwards; a
// clean lesson of varied sentences (none made to one pattern, some of them costly to match
// to the synthesis) found whole, each start where its sound starts; a lesson read by a man
// (Festival's kal diphones) found; a lesson of six minutes found through to its end. Skipped
// without festival or sox.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>

#include "AudioTestSupport.h"
#include "align/engine/TranscriptAligner.h"

namespace tessaly::test {
namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

const std::vector<std::string> kSentences = {
    "Good morning, class, please take out your notebooks.", "Yesterday we talked about the weather in spring.",
    "Today we will read a short story about a fox.",        "The fox lived in a small forest near a village.",
    "Every night he looked for something to eat.",          "One evening he found a farm with many chickens.",
    "Listen to the story and answer the questions.",        "The farmer kept his chickens in a wooden house.",
    "Every night he locked the door with a heavy key.",     "The fox waited behind a tree until it was dark.",
    "Then he walked slowly around the little house.",       "At last he found a hole under the back wall."};

const std::vector<std::string> kVaried = {"My grandmother grew tomatoes behind her little cottage.",
                                          "Could you tell me where the nearest train station is?",
                                          "The committee postponed its decision until next Thursday.",
                                          "Bright orange leaves covered the path through the park.",
                                          "He forgot his umbrella and arrived soaking wet.",
                                          "Our teacher explained how volcanoes form under the ocean.",
                                          "Please remember to switch off the lights before leaving.",
                                          "A famous pianist performed at the concert hall last night.",
                                          "Fresh bread smells wonderful early in the morning.",
                                          "The children built a snowman with a carrot nose.",
                                          "Scientists discovered a new species of frog in the jungle.",
                                          "We should probably book the hotel rooms in advance."};

// Ninety-six sentences of one pattern, no two the same: a lesson of several minutes.
std::vector<std::string> longLesson() {
  const char* who[] = {"The old farmer",    "My best friend",    "Our new neighbour",  "The young doctor",
                       "A tall policeman",  "The quiet student", "Her little brother", "The bus driver",
                       "An angry customer", "The school cook",   "My uncle Peter",     "A famous singer"};
  const char* did[] = {"painted the garden fence",  "opened a small bakery",  "lost the house keys",
                       "visited the city museum",   "cooked a large dinner",  "repaired the kitchen clock",
                       "planted three apple trees", "answered the telephone", "bought a second-hand car",
                       "cleaned the dusty windows", "wrote a long letter",    "carried the heavy boxes"};
  const char* when[] = {"last Sunday",       "before breakfast",    "in the rain",    "after work",
                        "on a cold morning", "during the holidays", "at midnight",    "without any help",
                        "in ten minutes",    "for the first time",  "near the river", "with great care"};
  std::vector<std::string> out;
  for (int k = 0; k < 96; ++k)
    out.push_back(std::string(who[k % 12]) + " " + did[(k + k / 12) % 12] + " " + when[(k * 5 + k / 12) % 12] + ".");
  return out;
}

bool haveTool(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) == 0; }

// Chords of decaying tones, a new one every half second, and a low beat: music without words.
std::vector<float> music(double seconds, unsigned seed) {
  const double chords[][3] = {{261.6, 329.6, 392.0}, {220.0, 261.6, 329.6}, {174.6, 220.0, 261.6}, {196.0, 246.9, 293.7}};
  std::mt19937 random(seed);
  std::vector<float> out(static_cast<std::size_t>(seconds * kRate));
  const std::size_t beat = kRate / 2;
  for (std::size_t start = 0; start < out.size(); start += beat) {
    const auto& chord = chords[random() % 4];
    for (std::size_t i = 0; i < beat && start + i < out.size(); ++i) {
      const double t = static_cast<double>(i) / kRate;
      double v = i < kRate / 40 ? 2 * std::sin(2 * kPi * 60 * t) : 0;
      for (double f : chord) v += std::sin(2 * kPi * f * t) + 0.3 * std::sin(4 * kPi * f * t);
      out[start + i] = static_cast<float>(0.08 * std::exp(-3 * t) * v);
    }
  }
  return out;
}

class TranscriptAlignEnglish : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!haveTool("festival") || !haveTool("sox")) return;
    dir_ = new TempDir;
    std::vector<std::string> all = kSentences;
    all.insert(all.end(), kVaried.begin(), kVaried.end());
    if (!speak("voice_cmu_us_slt_arctic_hts", "woman", all)) return;
    ready_ = true;
    // The first sentences again in a man's voice (Festival's kal diphones), after the others.
    manFrom_ = clips_.size();
    manReady_ = speak("voice_kal_diphone", "man", kSentences);
    longFrom_ = clips_.size();
    longReady_ = speak("voice_cmu_us_slt_arctic_hts", "long", longLesson());
  }
  // `texts` spoken by Festival's `voice`, at 22.05 kHz, trimmed, after the clips there are;
  // false when any of it could not be made.
  static bool speak(const std::string& voice, const std::string& prefix, const std::vector<std::string>& texts) {
    const auto wav = [&](std::size_t k, const char* tail) { return dir_->file(prefix + std::to_string(k) + tail); };
    std::ofstream script(dir_->file(prefix + ".scm"));
    script << "(" << voice << ")\n";
    for (std::size_t k = 0; k < texts.size(); ++k)
      script << "(utt.save.wave (SynthText \"" << texts[k] << "\") \"" << wav(k, ".wav") << "\" 'riff)\n";
    script.close();
    if (std::system(("festival -b " + dir_->file(prefix + ".scm") + " >/dev/null 2>&1").c_str()) != 0) return false;
    for (std::size_t k = 0; k < texts.size(); ++k) {
      if (std::system(("sox -R " + wav(k, ".wav") + " -r 22050 " + wav(k, "-22k.wav") + " 2>/dev/null").c_str()) != 0)
        return false;
      clips_.push_back(trimmed(referenceDecode(wav(k, "-22k.wav"), 1)));
      if (clips_.back().empty()) return false;
    }
    return true;
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
    clips_.clear();
  }
  void SetUp() override {
    if (!ready_) GTEST_SKIP() << "festival, its us-slt-hts voice or sox is missing";
  }

  // From the clip's first sample over a floor to its last: its sound.
  static std::vector<float> trimmed(const std::vector<float>& clip) {
    float peak = 0;
    for (float s : clip) peak = std::max(peak, std::abs(s));
    const float floor = std::max(0.003f, peak * 0.01f);
    std::size_t first = 0, last = clip.size();
    while (first < last && std::abs(clip[first]) < floor) ++first;
    while (last > first && std::abs(clip[last - 1]) < floor) --last;
    return {clip.begin() + static_cast<std::ptrdiff_t>(first), clip.begin() + static_cast<std::ptrdiff_t>(last)};
  }

  // The sentences (clips [from, from + count)) after `introSeconds` of music, with pauses of
  // 0.2 to 2.5 s, and white noise `snrDb` under them (0: none); where each starts, in ms, to
  // `startsMs`.
  static std::string make(const std::string& name, double introSeconds, double snrDb, std::size_t from = 0,
                          std::size_t count = kSentences.size(), std::vector<double>* startsMs = nullptr) {
    std::vector<std::size_t> clips(count);
    for (std::size_t k = 0; k < count; ++k) clips[k] = from + k;
    return make(name, introSeconds, snrDb, clips, startsMs);
  }
  // The same with the clips `clips`, in that order.
  static std::string make(const std::string& name, double introSeconds, double snrDb, const std::vector<std::size_t>& clips,
                          std::vector<double>* startsMs) {
    std::vector<float> all(kRate / 2, 0.0f);
    if (introSeconds > 0) {
      const std::vector<float> intro = music(introSeconds, 5);
      all.insert(all.end(), intro.begin(), intro.end());
      all.insert(all.end(), kRate, 0.0f);
    }
    const double pauses[] = {0.4, 2.5, 0.2, 1.2, 0.7, 1.8, 1.0, 0.3, 1.5, 0.6, 2.0, 1.0};
    for (std::size_t k = 0; k < clips.size(); ++k) {
      if (startsMs) startsMs->push_back(static_cast<double>(all.size()) * 1000.0 / kRate);
      all.insert(all.end(), clips_[clips[k]].begin(), clips_[clips[k]].end());
      all.insert(all.end(), static_cast<std::size_t>(pauses[k % std::size(pauses)] * kRate), 0.0f);
    }
    const std::string path = dir_->file(name);
    writeMonoWav(path, snrDb > 0 ? withNoise(std::move(all), snrDb) : all, kRate);
    return path;
  }

  static std::string transcript(const std::string& name, const std::string& text) {
    const std::string path = dir_->file(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  static TempDir* dir_;
  static std::vector<std::vector<float>> clips_;
  static bool ready_, manReady_, longReady_;
  static std::size_t manFrom_, longFrom_;  // the first of the man's clips, of the long lesson's
};

TempDir* TranscriptAlignEnglish::dir_ = nullptr;
std::vector<std::vector<float>> TranscriptAlignEnglish::clips_;
bool TranscriptAlignEnglish::ready_ = false;
bool TranscriptAlignEnglish::manReady_ = false;
bool TranscriptAlignEnglish::longReady_ = false;
std::size_t TranscriptAlignEnglish::manFrom_ = 0;
std::size_t TranscriptAlignEnglish::longFrom_ = 0;

TEST_F(TranscriptAlignEnglish, RefusesTheTextOfAnotherEnglishLesson) {
  const std::string other = transcript(
      "other.txt",
      "My sister works in a large hospital downtown.\nShe usually takes the bus at seven in the morning.\n"
      "On Saturdays she goes swimming with her friends.\nLast year she visited her aunt in Canada.\n"
      "The flight was long but she enjoyed it.\nNext summer she wants to learn how to sail.\n");
  for (const std::string& recording : {make("intro.wav", 8, 15), make("clean.wav", 0, 0)}) {
    const align::TranscriptAlignment done = align::alignTranscriptFile(recording, other);
    EXPECT_EQ(done.outcome, align::AlignOutcome::NoMatch) << recording;
    EXPECT_EQ(done.found(), 0) << recording;
  }
}

TEST_F(TranscriptAlignEnglish, FindsEverySentenceOfACleanLessonOfVariedSentences) {
  std::vector<double> starts;
  const std::string recording = make("varied.wav", 0, 0, kSentences.size(), kVaried.size(), &starts);
  std::string text;
  for (const std::string& sentence : kVaried) text += sentence + "\n";
  const align::TranscriptAlignment done = align::alignTranscriptFile(recording, transcript("varied.txt", text));
  ASSERT_EQ(done.outcome, align::AlignOutcome::Aligned);
  ASSERT_EQ(done.sentences.size(), kVaried.size());
  for (std::size_t k = 0; k < kVaried.size(); ++k) {
    EXPECT_TRUE(done.sentences[k].found) << kVaried[k];
    if (done.sentences[k].found) {
      EXPECT_NEAR(done.sentences[k].startMs, starts[k], 150) << kVaried[k];
    }
  }
}

// After music and under noise the search over the whole text once began on the music and put
// the first sentence there, 6 s before it is spoken. A sentence is left out rather than given
// a wrong time: each one found starts where its sound starts, the heading never read gets no
// time, and most of the lesson is found.
TEST_F(TranscriptAlignEnglish, PutsNoSentenceOnTheMusicBeforeTheText) {
  std::vector<double> starts;
  const std::string recording = make("intro-noise.wav", 8, 15, 0, kSentences.size(), &starts);
  std::string text = "Unit 3 The fox\n\n";
  for (const std::string& sentence : kSentences) text += sentence + "\n";
  const align::TranscriptAlignment done = align::alignTranscriptFile(recording, transcript("intro-noise.txt", text));
  ASSERT_EQ(done.outcome, align::AlignOutcome::Aligned);
  ASSERT_EQ(done.sentences.size(), kSentences.size() + 1);
  EXPECT_FALSE(done.sentences[0].found) << done.sentences[0].startMs;
  int found = 0;
  for (std::size_t k = 0; k < kSentences.size(); ++k)
    if (done.sentences[k + 1].found) {
      ++found;
      EXPECT_NEAR(done.sentences[k + 1].startMs, starts[k], 500) << kSentences[k];
    }
  EXPECT_GE(found, 9);
}

// A clean lesson whose text begins with a heading never read: the search at the prices
// fitted to the voice once put the heading on the first sentence's sound and every sentence
// after it on the next one's, until too few were clearly their own and the text was refused
// (two of these five), or two sentences were lost.
TEST_F(TranscriptAlignEnglish, FindsACleanLessonWhoseHeadingIsNotRead) {
  struct Case {
    const char* heading;
    bool varied;           // kVaried, else kSentences
    std::size_t unspoken;  // a sentence printed before this one and never read (none past the end)
  };
  const Case cases[] = {{"Dictation 15", true, 99},
                        {"Dictation 15", false, 99},
                        {"Unit 4 At home", true, 3},
                        {"Section 2", true, 99},
                        {"Part 7 Daily life", false, 99}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = "heading" + std::to_string(n++);
    SCOPED_TRACE(name + ": " + c.heading);
    const std::vector<std::string>& list = c.varied ? kVaried : kSentences;
    std::vector<double> starts;
    const std::string recording = make(name + ".wav", 0, 0, c.varied ? kSentences.size() : 0, list.size(), &starts);
    std::string text = std::string(c.heading) + "\n";
    std::vector<int> spoken = {-1};  // for each line, its sentence in the recording
    for (std::size_t k = 0; k < list.size(); ++k) {
      if (k == c.unspoken) text += "This sentence is printed in the book but never read aloud.\n", spoken.push_back(-1);
      text += list[k] + "\n", spoken.push_back(static_cast<int>(k));
    }
    const align::TranscriptAlignment done = align::alignTranscriptFile(recording, transcript(name + ".txt", text));
    ASSERT_EQ(done.outcome, align::AlignOutcome::Aligned);
    ASSERT_EQ(done.sentences.size(), spoken.size());
    for (std::size_t line = 0; line < spoken.size(); ++line) {
      const auto& found = done.sentences[line];
      if (spoken[line] < 0) {
        EXPECT_FALSE(found.found) << "line " << line << " at " << found.startMs;
      } else {
        EXPECT_TRUE(found.found) << list[static_cast<std::size_t>(spoken[line])];
        if (found.found) {
          EXPECT_NEAR(found.startMs, starts[static_cast<std::size_t>(spoken[line])], 150)
              << list[static_cast<std::size_t>(spoken[line])];
        }
      }
    }
  }
}

// A lesson of six minutes, its sentences made of a few recurring phrases: the search goes
// over it window by window, and under noise a sentence found on a later one's sound, far
// beyond where the lesson's pace brings the text, once moved the search past the rest of the
// text, which was then refused. Clean or under noise, it is taken, its starts where they are.
TEST_F(TranscriptAlignEnglish, FindsALongLessonThroughToItsEnd) {
  if (!longReady_) GTEST_SKIP() << "the long lesson could not be spoken";
  const std::vector<std::string> texts = longLesson();
  const std::string text = [&] {
    std::string t = "A long lesson\n\n";
    for (const std::string& sentence : texts) t += sentence + "\n";
    return t;
  }();
  struct Case {
    double snrDb;  // 0: no noise
    int within;    // of the 96 starts, at least this many within 150 ms
  };
  for (const Case c : {Case{0, 92}, Case{20, 77}}) {
    SCOPED_TRACE(c.snrDb);
    std::vector<double> starts;
    const std::string recording = make("long.wav", 8, c.snrDb, longFrom_, texts.size(), &starts);
    const align::TranscriptAlignment done = align::alignTranscriptFile(recording, transcript("long.txt", text));
    ASSERT_EQ(done.outcome, align::AlignOutcome::Aligned);
    ASSERT_EQ(done.sentences.size(), texts.size() + 1);
    EXPECT_FALSE(done.sentences[0].found);
    int within = 0, wrong = 0;
    for (std::size_t k = 0; k < texts.size(); ++k)
      if (done.sentences[k + 1].found) {
        within += std::abs(done.sentences[k + 1].startMs - starts[k]) <= 150;
        wrong += std::abs(done.sentences[k + 1].startMs - starts[k]) > 500;
      }
    EXPECT_GE(within, c.within);
    EXPECT_LE(wrong, 2);
  }
}

// A lesson read by a man, where the aligner's one synthesis was a woman's: every sentence
// cost nearly what it costs backwards, and the text was refused. A man's synthesis is tried
// too, and the lesson is found.
TEST_F(TranscriptAlignEnglish, FindsALessonReadByAMan) {
  if (!manReady_) GTEST_SKIP() << "Festival's kal voice is missing";
  std::vector<double> starts;
  const std::string recording = make("man.wav", 0, 0, manFrom_, kSentences.size(), &starts);
  std::string text;
  for (const std::string& sentence : kSentences) text += sentence + "\n";
  const align::TranscriptAlignment done = align::alignTranscriptFile(recording, transcript("man.txt", text));
  ASSERT_EQ(done.outcome, align::AlignOutcome::Aligned);
  int within = 0;
  for (std::size_t k = 0; k < kSentences.size(); ++k)
    within += done.sentences[k].found && std::abs(done.sentences[k].startMs - starts[k]) <= 150;
  EXPECT_GE(within, 10);
}

}  // namespace
}  // namespace tessaly::test
