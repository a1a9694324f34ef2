// SPDX-License-Identifier: GPL-3.0-or-later
#include "shadow/ShadowForm.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "record/CheckRecord.h"

namespace tessaly {

namespace {

constexpr int kShortestTakeMs = 3000;  // a take may be this long however short the sentence
constexpr double kMeterFloorDb = -60;

std::string number(int n) { return std::to_string(n); }

}  // namespace

void ShadowForm::keepTakesIn(TakeLog* log, std::function<std::int64_t()> now) {
  log_ = log;
  now_ = std::move(now);
}

std::string ShadowForm::toggleTake(const std::vector<Sentence>& sentences, int sentence,
                                   const std::vector<align::UnitSpan>& units) {
  if (state_ == TakeState::Starting || state_ == TakeState::Recording) {
    engine_.stopTake();
    return {};
  }
  if (state_ == TakeState::Comparing) return "上一遍跟读还在比较，请稍等。";
  const PlayerPicture picture = player_.picture();
  if (picture.recording.empty()) return "请先打开一个语音文件，再跟读。";
  if (sentence < 0 || sentence >= static_cast<int>(sentences.size()))
    return "请先播放到要跟读的句子，或在句子列表里选中一句，再按跟读录音。";
  const Sentence& s = sentences[static_cast<std::size_t>(sentence)];
  TakeRequest request;
  request.recording = picture.recording;
  request.startMs = s.startMs;
  request.endMs = s.endMs;
  request.text = s.text.value_or("");
  for (const align::UnitSpan& u : units)
    if (u.sentence == sentence) request.units.push_back({u.startMs - s.startMs, u.endMs - s.startMs});
  request.longestMs = std::max(kShortestTakeMs, 2 * (s.endMs - s.startMs));
  engine_.stopHearing();
  if (std::string why = engine_.startTake(request); !why.empty()) return why;
  // The lesson pauses once the microphone is really recording (tick): a missing one changes nothing.
  request_ = std::move(request);
  taken_ = sentence;
  state_ = TakeState::Starting;
  return {};
}

std::string ShadowForm::hear(bool original) {
  if (state_ != TakeState::Idle || !comparison_ || !comparison_->compared)
    return "这一句还没有跟读录音：先按“跟读录音”录一遍。";
  const LoopOptions options = player_.loopOptions();
  player_.pausePlaying();
  // An unlimited loop hears the pair once: the learner goes on when ready.
  if (!engine_.hear(original, std::max(1, options.passes), options.pauseMs)) return "这一遍跟读没有能播放的录音。";
  return {};
}

void ShadowForm::keep(const TakeComparison& c) {
  if (!log_) return;
  const std::int64_t at = now_ ? now_() : 0;
  std::string reasons;
  for (const std::string& r : c.score.reasons) reasons += (reasons.empty() ? "" : "；") + r;
  log_->recordTake({request_.recording, static_cast<std::int32_t>(request_.startMs),
                    static_cast<std::int32_t>(request_.endMs), request_.text, c.score.score, c.score.lengthRatio,
                    c.score.shape, c.score.rangeSt, reasons, c.takePath, at, localDay(at)});
}

std::string ShadowForm::takeProblem() { return std::exchange(problem_, {}); }

ShadowForm::Changes ShadowForm::tick() {
  Changes changes;
  const TakeState now = engine_.state();
  if (now != state_) {
    if (now == TakeState::Recording) player_.pausePlaying();
    state_ = now;
    changes.state = true;
  }
  if (std::optional<TakeComparison> c = engine_.takeComparison()) {
    changes.state = true;
    state_ = engine_.state();
    if (!c->compared) {
      // Nothing else changes: the last comparison stays, and its take is the one heard.
      problem_ = c->failure.empty() ? "这遍跟读没能和原声比较。" : c->failure;
      taken_ = comparedSentence_;
    } else {
      comparison_ = std::move(c);
      comparedSentence_ = taken_;
      changes.comparison = true;
      keep(*comparison_);
      // A take scored but not kept is told once, until a take is kept again.
      if (!comparison_->takePath.empty()) {
        unkeptTold_ = false;
      } else if (!unkeptTold_) {
        unkeptTold_ = true;
        problem_ = (comparison_->unkept.empty() ? std::string("跟读录音没能保存。") : comparison_->unkept) +
                   "\n这遍跟读照样打了分，也能马上回听，但录音不会留下来。能保存之前，以后的跟读不再提示，"
                   "只在跟读一行里注明“录音没有保存”。";
      }
    }
  }
  // Going on with the player (Alt+Z, a jump, a loop) ends the hearing.
  Hearing heard = engine_.hearing();
  if (heard.part != Hearing::Part::Nothing && player_.picture().playing) {
    engine_.stopHearing();
    heard = {};
  }
  if (heard.part != hearing_.part || heard.pass != hearing_.pass) {
    hearing_ = heard;
    changes.hearing = true;
  }
  return changes;
}

int ShadowForm::meterPercent(double db) {
  return static_cast<int>(std::lround(std::clamp((db - kMeterFloorDb) / -kMeterFloorDb, 0.0, 1.0) * 100));
}

int ShadowForm::meter() const { return state_ == TakeState::Recording ? meterPercent(engine_.level()) : 0; }

std::string ShadowForm::caption() const {
  const std::string which = "第 " + number(taken_ + 1) + " 句";
  if (state_ == TakeState::Starting) return "正在打开麦克风……";
  if (state_ == TakeState::Recording) return "正在录音：" + which + "。说完停一秒会自动结束，也可以再按一次跟读录音。";
  if (state_ == TakeState::Comparing) return "正在和原声比较……";
  if (hearing_.part != Hearing::Part::Nothing) {
    const std::string part = hearing_.part == Hearing::Part::Original ? "原声"
                             : hearing_.part == Hearing::Part::Take   ? "我的跟读"
                                                                      : "停顿";
    return "正在听" + part + "（第 " + number(hearing_.pass) + " 遍，共 " + number(hearing_.passes) + " 遍）";
  }
  if (!comparison_) return "跟读：播放到一句，按跟读录音，跟着说一遍。";
  const TakeComparison& c = *comparison_;
  std::string line = which + "的跟读：" + number(c.score.score) + " 分" + (c.takePath.empty() ? "（录音没有保存）" : "") +
                     "。";
  for (std::size_t i = 0; i < c.score.reasons.size(); ++i) line += (i ? "；" : "") + c.score.reasons[i];
  return line;
}

}  // namespace tessaly
