// SPDX-License-Identifier: GPL-3.0-or-later
// One voice of the engine: a worker thread decodes one source into a bounded ring of blocks,
// and render() copies those blocks to the output. Both device faces (MCI and streaming)
// drive one Player each; positions here are sample frames of the file.
//
// Threads and ownership:
//  - UI thread (the faces): load, play, pause, resume, stop, unload, status, setGain. None of
//    them waits for the worker, except waitLoaded(), which waits up to its timeout.
//  - Worker thread (owned here): opens the source, seeks, decodes, fills the ring; owns the
//    Decoder and starts the scan thread.
//  - Scan thread (owned by the worker): scanSource() into the SeekIndex; the length it finds
//    is read through the index.
//  - Audio thread: render(), lock-free; it alone advances the ring's tail and publishes the
//    position, except in flushRing(), which the worker runs with render excluded.
// Stale results: every play and stop takes a new serial. Blocks carry the serial they were
// decoded for and render() drops blocks of any other serial; status() ignores a published
// position of an older serial. Loads carry a load serial the same way, for the source info.
// Lock: mutex_ guards the command mailbox and the published source info; it is never held
// while opening, seeking or decoding, so the UI thread never waits on the worker's work.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/Decoder.h"
#include "audio/Output.h"
#include "playback/StretchEngine.h"

namespace tessaly::audio {

class Player final : public Renderer {
 public:
  enum class LoadState { None, Loading, Ready, Failed };

  struct Status {
    LoadState load = LoadState::None;
    Failure error;  // why the source cannot be played, when Failed
    int sampleRate = 0;
    std::int64_t lengthFrames = -1;  // best known, -1 while unknown
    bool lengthExact = false;
    bool picture = false;    // the source is a video whose picture is not shown
    bool sounding = false;   // the current play has started to output; `frame` is valid
    std::int64_t frame = 0;  // the frame being output
    bool ended = false;      // the current play has output its last frame
    bool playing = false;    // a play is running and not paused
    int underruns = 0;       // renders of a started play that found the ring empty, ever
  };

  explicit Player(Output& output);
  ~Player() override;  // UI thread; joins the worker
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // UI thread, non-blocking: forgets the current source and opens `location` in the background.
  void load(const std::string& location);
  // UI thread, blocks up to `timeoutMs`: true once the current load has finished (well or not).
  bool waitLoaded(int timeoutMs);
  // UI thread, blocks up to `timeoutMs`: true once the length is exact.
  bool waitExactLength(int timeoutMs);
  // UI thread, non-blocking: plays from `from` up to (not including) `end`, or to the end of
  // the file when end < 0. Frames, or whole milliseconds when `inMs` (the worker converts them
  // once it knows the sample rate, so a play may be asked for while the source still opens).
  void play(std::int64_t from, std::int64_t end, bool inMs = false);
  // UI thread, non-blocking (waits out one render at most): halts; the position stays.
  void pause();
  // UI thread, non-blocking: goes on after pause().
  void resume();
  // UI thread, non-blocking: falls silent and ends the play.
  void stop();
  // UI thread, non-blocking: stops and closes the source.
  void unload();
  // UI thread, non-blocking.
  Status status() const;
  // Any thread: 1 is full volume.
  void setGain(float gain) { gain_.store(gain); }
  // UI thread, non-blocking: plays at `speed` (0.5 to 2.0) with the pitch kept, from now on:
  // what is already queued for the output is cut to its next 30 ms and the rest
  // is made again at the new speed, seamlessly. Positions stay frames of the file. 1.0 plays
  // the decoded frames as they are.
  void setSpeed(double speed);
  // UI thread, non-blocking: the time-stretch engine of the speeds other than 1.0, from now
  // on: a play under way at such a speed goes on with it from its next 30 ms, as after a
  // speed change.
  void setStretch(StretchEngine engine);

  // Audio thread: the output's buffer of `channels`; until the blocks are made for that
  // layout (a play that has just been attached) it is filled with silence.
  void render(float* out, int frames, int channels) override;

 private:
  static constexpr int kBlocks = 32;
  static constexpr int kBlockFrames = 1024;
  static constexpr int kSeamFadeFrames = 64;  // a speed change's seam: fade out, then in
  // A play is heard once this many of its blocks are queued (or its last one is): started at
  // its first block, a worker slowed by a busy machine could fall behind within the next few
  // renders, and the learner would hear a gap just after every start and seek.
  static constexpr int kStartBlocks = 8;
  struct Block {
    std::uint32_t serial = 0;
    bool last = false;
    int frames = 0;
    // The stretch of file time the block's frames stand for: `frames` long at 1.0, longer or
    // shorter through the time-stretch stage.
    std::int64_t fileStart = 0, fileEnd = 0;
    std::vector<float> data;
  };
  struct Command {
    enum Kind { Load, Play, Stop, Unload, Speed } kind;
    std::string location;
    std::uint32_t serial = 0;
    std::int64_t from = 0, end = -1;
    bool inMs = false;
    std::shared_ptr<CancelFlag> cancel;
  };

  void post(Command command);  // mutex_ held
  void runWorker();
  void handle(const Command& command);
  void closeSource();
  // The decoder can no longer read its source (it vanished, a reopen failed): the load is
  // reported as failed with the decoder's reason, the source is closed and plays do nothing.
  void sourceBroke();
  bool produceBlock();  // false when the play has ended
  bool produceStretchedBlock();
  // Hands a made block to the output (after the fade of a speed change's seam, if due) and
  // notes a broken source or the true end; false when the play has ended.
  bool queueBlock(Block& block);
  void fadeIn(Block& block);
  // Worker: the play goes on from file frame `frame` at the speed asked for now; false when
  // the source broke.
  bool startAt(std::int64_t frame);
  // Worker: a new speed or stretch engine for the play under way (the Speed command).
  void changeSpeed();
  void flushRing();
  void publish(std::uint32_t serial, std::int64_t frame, bool ended);
  // Audio thread: the play `serial` has its start blocks queued between `tail` and `head`.
  bool readyToStart(std::uint32_t tail, std::uint32_t head, std::uint32_t serial) const;

  Output& output_;

  // UI thread only.
  std::uint32_t serial_ = 0;

  // Shared with the audio thread.
  std::atomic<std::uint32_t> wantSerial_{0};
  std::atomic<bool> running_{false};
  std::atomic<bool> busy_{false};  // render() is running: lets pause() wait out one render
  std::atomic<float> gain_{1.0f};
  std::atomic<double> speed_{1.0};                            // asked for by the UI thread; the worker follows
  std::atomic<StretchEngine> engine_{kDefaultStretchEngine};  // likewise
  std::atomic<int> outputChannels_{2};                        // channels of the blocks, set before they are made
  std::atomic<std::uint64_t> published_{0};                   // serial, ended flag, frame: see publish()
  std::array<Block, kBlocks> blocks_;
  std::atomic<std::uint32_t> head_{0}, tail_{0};  // head: worker; tail: audio thread
  int readOffset_ = 0;                            // frames of the tail block already output
  std::atomic<int> underruns_{0};                 // counted by render, logged once by the worker

  // Audio thread only.
  std::uint32_t startedSerial_ = 0;  // the play being heard (its start blocks were queued)
  std::uint32_t endedSerial_ = 0;    // the play whose last block has been output

  // Guarded by mutex_.
  mutable std::mutex mutex_;
  std::condition_variable wake_;            // the worker waits on it
  mutable std::condition_variable loaded_;  // waitLoaded waits on it
  std::deque<Command> commands_;
  bool quit_ = false;
  std::uint32_t loadSerial_ = 0;  // of the last load asked for
  std::uint32_t infoSerial_ = 0;  // of the load `info_` belongs to
  LoadState loadState_ = LoadState::None;
  SourceInfo info_;
  Failure error_;
  std::shared_ptr<SeekIndex> index_;
  std::int64_t endFound_ = -1;  // where decoding really ended, if before the length
  std::shared_ptr<CancelFlag> loadCancel_;

  // Set by post() (under mutex_), read by the worker while a seek waits for the scan.
  CancelFlag newerCommand_{false};

  // Worker only.
  std::unique_ptr<Decoder> decoder_;
  std::shared_ptr<SeekIndex> scanIndex_;
  CancelFlag scanCancel_{false};
  std::thread scanThread_;
  bool producing_ = false;
  bool underrunLogged_ = false;
  std::uint32_t playSerial_ = 0;
  std::int64_t nextFrame_ = 0, endFrame_ = -1;
  std::uint32_t workerLoadSerial_ = 0;
  bool playActive_ = false;                              // a play has started and not been stopped
  double playSpeed_ = 1.0;                               // the speed the play is being made at
  std::unique_ptr<class Stretch> stretch_;               // made for the source when first needed
  StretchEngine stretchEngine_ = kDefaultStretchEngine;  // the engine of stretch_
  std::vector<float> feedBuffer_;                        // decoded frames on their way into the stretch
  double outFile_ = 0;                                   // the file frame the next stretched output frame stands for
  bool fedLast_ = false;                                 // the stretch has been given the play's last frames
  int fadeIn_ = 0;                                       // frames still to fade in after a seam of a speed change

  std::thread worker_;  // last: starts after everything above exists
};

}  // namespace tessaly::audio
