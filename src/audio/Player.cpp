// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/Player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/Frames.h"
#include "audio/LengthScan.h"
#include "audio/Stretch.h"

namespace tessaly::audio {

namespace {

using Clock = std::chrono::steady_clock;

// published_: bits 63..40 the serial's low 24 bits, bit 39 ended, bits 38..0 the frame.
constexpr std::uint64_t kSerialMask = 0xFFFFFF;
constexpr std::uint64_t kEndedBit = std::uint64_t{1} << 39;
constexpr std::uint64_t kFrameMask = kEndedBit - 1;

}  // namespace

Player::Player(Output& output) : output_(output) {
  for (Block& block : blocks_) block.data.resize(static_cast<std::size_t>(kBlockFrames) * 2);
  worker_ = std::thread([this] { runWorker(); });
}

Player::~Player() {
  output_.detach(this);
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    if (loadCancel_) loadCancel_->store(true);
  }
  wake_.notify_all();
  worker_.join();
}

// ---- UI thread ----

void Player::post(Command command) {
  // Newer commands make older ones moot: a load drops everything queued, a play or stop drops
  // the queued plays and stops (a queued load stays, it comes first).
  // A speed change drops only older speed changes, and lets a waiting seek finish.
  const Command::Kind kind = command.kind;
  if (kind == Command::Load || kind == Command::Unload) commands_.clear();
  else if (kind == Command::Speed) std::erase_if(commands_, [](const Command& c) { return c.kind == Command::Speed; });
  else std::erase_if(commands_, [](const Command& c) { return c.kind == Command::Play || c.kind == Command::Stop; });
  commands_.push_back(std::move(command));
  if (kind != Command::Speed) newerCommand_.store(true);  // a seek still waiting for the scan gives way
  wake_.notify_all();
}

void Player::load(const std::string& location) {
  running_.store(false);
  serial_++;
  wantSerial_.store(serial_);
  std::lock_guard lock(mutex_);
  if (loadCancel_) loadCancel_->store(true);  // an open still going on gives up
  loadCancel_ = std::make_shared<CancelFlag>(false);
  loadSerial_++;
  loadState_ = LoadState::Loading;
  info_ = {};
  error_ = {};
  index_.reset();
  endFound_ = -1;
  post({Command::Load, location, loadSerial_, 0, -1, false, loadCancel_});
}

void Player::unload() {
  running_.store(false);
  serial_++;
  wantSerial_.store(serial_);
  std::lock_guard lock(mutex_);
  if (loadCancel_) loadCancel_->store(true);
  loadCancel_.reset();
  loadSerial_++;
  loadState_ = LoadState::None;
  info_ = {};
  index_.reset();
  endFound_ = -1;
  post({Command::Unload, {}, loadSerial_, 0, -1, false, nullptr});
}

bool Player::waitLoaded(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return loaded_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return loadState_ != LoadState::Loading; });
}

bool Player::waitExactLength(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::shared_ptr<SeekIndex> index;
    {
      std::unique_lock lock(mutex_);
      if (!loaded_.wait_until(lock, deadline, [this] { return loadState_ != LoadState::Loading; })) return false;
      if (loadState_ != LoadState::Ready) return false;
      if (info_.lengthExact || endFound_ >= 0) return true;
      index = index_;
    }
    if (!index) return false;
    const int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (left <= 0) return index->complete();
    return index->waitFor(INT64_MAX - 1, nullptr, left) && index->complete();
  }
}

void Player::play(std::int64_t from, std::int64_t end, bool inMs) {
  serial_++;
  wantSerial_.store(serial_);
  running_.store(true);
  std::lock_guard lock(mutex_);
  post({Command::Play, {}, serial_, from, end, inMs, nullptr});
}

void Player::pause() {
  running_.store(false, std::memory_order_seq_cst);
  // A render that saw running_ before the store may still be copying; once busy_ reads
  // false its position is published and no later render moves it.
  const auto giveUp = Clock::now() + std::chrono::milliseconds(3);
  while (busy_.load(std::memory_order_seq_cst) && Clock::now() < giveUp) std::this_thread::yield();
}

void Player::resume() { running_.store(true); }

void Player::setSpeed(double speed) {
  speed_.store(std::clamp(speed, 0.5, 2.0));
  std::lock_guard lock(mutex_);
  post({Command::Speed, {}, 0, 0, -1, false, nullptr});
}

void Player::setStretch(StretchEngine engine) {
  engine_.store(engine);
  std::lock_guard lock(mutex_);
  post({Command::Speed, {}, 0, 0, -1, false, nullptr});
}

void Player::stop() {
  running_.store(false);
  serial_++;
  wantSerial_.store(serial_);
  std::lock_guard lock(mutex_);
  post({Command::Stop, {}, serial_, 0, -1, false, nullptr});
}

Player::Status Player::status() const {
  Status s;
  const std::uint64_t p = published_.load(std::memory_order_acquire);
  if ((p >> 40) == (serial_ & kSerialMask)) {  // else a position of an older play: ignored
    s.sounding = true;
    s.frame = static_cast<std::int64_t>(p & kFrameMask);
    s.ended = (p & kEndedBit) != 0;
  }
  s.playing = running_.load() && !s.ended;
  s.underruns = underruns_.load(std::memory_order_relaxed);
  std::shared_ptr<SeekIndex> index;
  {
    std::lock_guard lock(mutex_);
    s.load = loadState_;
    s.error = error_;
    s.sampleRate = info_.sampleRate;
    s.lengthFrames = info_.lengthFrames;
    s.lengthExact = info_.lengthExact;
    s.picture = info_.picture;
    index = index_;
    if (endFound_ >= 0) {
      s.lengthFrames = endFound_;
      s.lengthExact = true;
      return s;
    }
  }
  if (!s.lengthExact && index && index->complete()) {
    s.lengthFrames = index->totalFrames();
    s.lengthExact = true;
  }
  return s;
}

// ---- audio thread ----

void Player::publish(std::uint32_t serial, std::int64_t frame, bool ended) {
  published_.store((std::uint64_t{serial} & kSerialMask) << 40 | (ended ? kEndedBit : 0) |
                       (static_cast<std::uint64_t>(frame) & kFrameMask),
                   std::memory_order_release);
}

void Player::render(float* out, int frames, int channels) {
  busy_.store(true, std::memory_order_seq_cst);
  const bool run = running_.load(std::memory_order_seq_cst);
  const std::uint32_t serial = wantSerial_.load();
  int done = 0;
  const float gain = gain_.load(std::memory_order_relaxed);
  std::uint32_t tail = tail_.load(std::memory_order_relaxed);
  const std::uint32_t head = head_.load(std::memory_order_acquire);
  // Blocks decoded for an older play are dropped whether or not we are running.
  while (tail != head && blocks_[tail % kBlocks].serial != serial) {
    readOffset_ = 0;
    tail_.store(++tail, std::memory_order_release);
  }
  // The worker attaches the output before it says what the new play's blocks hold, so a
  // render may come in between, with the output already at the new play's channels and the
  // blocks of the last one: it stays silent. The buffer is the output's, and only its
  // `channels` ever size what is written to it.
  const int stride = outputChannels_.load(std::memory_order_acquire);
  if (stride != channels) {
    std::memset(out, 0, static_cast<std::size_t>(frames) * channels * sizeof(float));
    busy_.store(false, std::memory_order_seq_cst);
    return;
  }
  if (run && startedSerial_ != serial && readyToStart(tail, head, serial)) startedSerial_ = serial;
  const bool heard = run && startedSerial_ == serial;
  while (heard && done < frames && tail != head) {
    Block& block = blocks_[tail % kBlocks];
    if (block.serial != serial) {
      readOffset_ = 0;
      tail_.store(++tail, std::memory_order_release);
      continue;
    }
    const int n = std::min(block.frames - readOffset_, frames - done);
    const float* src = block.data.data() + static_cast<std::size_t>(readOffset_) * stride;
    float* dst = out + static_cast<std::size_t>(done) * stride;
    const std::size_t samples = static_cast<std::size_t>(n) * stride;
    if (gain == 1.0f) std::memcpy(dst, src, samples * sizeof(float));
    else
      for (std::size_t i = 0; i < samples; ++i) dst[i] = src[i] * gain;
    readOffset_ += n;
    done += n;
    const std::int64_t span = block.fileEnd - block.fileStart;
    const std::int64_t at = block.frames > 0 ? block.fileStart + span * readOffset_ / block.frames : block.fileEnd;
    if (readOffset_ < block.frames) {
      publish(serial, at, false);
      continue;
    }
    const bool last = block.last;
    const std::int64_t end = block.fileEnd;
    readOffset_ = 0;
    tail_.store(++tail, std::memory_order_release);  // the block is the worker's again from here
    publish(serial, end, last);
    if (last) {
      endedSerial_ = serial;
      break;
    }
  }
  // The ring ran dry in the middle of a play: a gap the learner hears.
  if (heard && done < frames && endedSerial_ != serial) underruns_.fetch_add(1, std::memory_order_relaxed);
  if (done < frames)
    std::memset(out + static_cast<std::size_t>(done) * stride, 0,
                static_cast<std::size_t>(frames - done) * stride * sizeof(float));
  busy_.store(false, std::memory_order_seq_cst);
}

bool Player::readyToStart(std::uint32_t tail, std::uint32_t head, std::uint32_t serial) const {
  int queued = 0;
  for (std::uint32_t at = tail; at != head; ++at) {
    const Block& block = blocks_[at % kBlocks];
    if (block.serial != serial) continue;
    if (block.last || ++queued >= kStartBlocks) return true;
  }
  return false;
}

// ---- worker thread ----

void Player::runWorker() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (quit_) break;
    if (!commands_.empty()) {
      Command command = std::move(commands_.front());
      commands_.pop_front();
      newerCommand_.store(!commands_.empty());
      lock.unlock();
      handle(command);
      lock.lock();
      continue;
    }
    if (!underrunLogged_ && underruns_.load(std::memory_order_relaxed) > 0) {
      underrunLogged_ = true;  // once: the count is in status()
      std::fprintf(stderr, "tessaly: the sound output ran dry during a play (the machine is too busy)\n");
    }
    const bool room = head_.load() - tail_.load() < kBlocks;
    if (producing_ && room) {
      lock.unlock();
      producing_ = produceBlock();
      lock.lock();
      continue;
    }
    // A full ring frees up as the output plays. It holds 32768 frames (0.68 s at 48 kHz), so
    // topping it up every 100 ms never lets it run low, and the worker sleeps between; a
    // command wakes it at once.
    wake_.wait_for(lock, producing_ ? std::chrono::milliseconds(100) : std::chrono::milliseconds(500));
  }
  lock.unlock();
  closeSource();
}

void Player::closeSource() {
  scanCancel_.store(true);
  if (scanThread_.joinable()) scanThread_.join();
  scanCancel_.store(false);
  decoder_.reset();
  stretch_.reset();
  scanIndex_.reset();
  producing_ = false;
  playActive_ = false;
}

void Player::sourceBroke() {
  {
    std::lock_guard lock(mutex_);
    if (workerLoadSerial_ == loadSerial_) {
      loadState_ = LoadState::Failed;
      error_ = decoder_->failure();
      index_.reset();
    }
  }
  closeSource();
}

void Player::flushRing() {
  output_.runExclusive([this] {
    tail_.store(head_.load());
    readOffset_ = 0;
  });
}

void Player::handle(const Command& command) {
  switch (command.kind) {
    case Command::Unload:
    case Command::Load: {
      closeSource();
      flushRing();
      workerLoadSerial_ = command.serial;
      if (command.kind == Command::Unload) return;
      Failure error;
      auto decoder = Decoder::open(command.location, command.cancel.get(), &error);
      std::shared_ptr<SeekIndex> index;
      if (decoder && decoder->info().needsScan) {
        index = std::make_shared<SeekIndex>();
        decoder->setIndex(index);
      }
      {
        std::lock_guard lock(mutex_);
        if (command.serial != loadSerial_) return;  // a newer load is queued
        loadState_ = decoder ? LoadState::Ready : LoadState::Failed;
        error_ = error;
        if (decoder) info_ = decoder->info();
        infoSerial_ = command.serial;
        index_ = index;
      }
      loaded_.notify_all();
      decoder_ = std::move(decoder);
      if (index) {
        scanIndex_ = index;
        scanThread_ = std::thread([url = decoder_->info().url, index, this] { scanSource(url, *index, scanCancel_); });
      }
      return;
    }
    case Command::Stop:
      producing_ = false;
      playActive_ = false;
      flushRing();
      return;
    case Command::Speed: changeSpeed(); return;
    case Command::Play: {
      producing_ = false;
      if (!decoder_) return;
      const SourceInfo& info = decoder_->info();
      output_.attach(this, info.sampleRate, info.channels);
      outputChannels_.store(info.channels);
      flushRing();
      const auto toFrames = [&](std::int64_t v) { return command.inMs && v > 0 ? msToFrames(v, info.sampleRate) : v; };
      playSerial_ = command.serial;
      endFrame_ = toFrames(command.end);
      fadeIn_ = 0;
      if (!startAt(toFrames(command.from))) return;
      playActive_ = true;
      producing_ = true;
      return;
    }
  }
}

bool Player::startAt(std::int64_t frame) {
  playSpeed_ = speed_.load();
  fedLast_ = false;
  if (playSpeed_ == 1.0) {
    decoder_->seek(frame, &newerCommand_);
  } else {
    // The stretch first hears the frames before the start, so its output begins exactly there.
    const SourceInfo& info = decoder_->info();
    const StretchEngine engine = engine_.load();
    if (!stretch_ || stretchEngine_ != engine) {
      stretch_ = makeStretch(engine, info.sampleRate, info.channels);
      stretchEngine_ = engine;
    }
    stretch_->restart(playSpeed_);
    const std::int64_t begin = std::max<std::int64_t>(0, frame - stretch_->historyFrames());
    decoder_->seek(begin, &newerCommand_);
    feedBuffer_.resize(static_cast<std::size_t>(std::max<std::int64_t>(frame - begin, kBlockFrames)) * info.channels);
    const int history = decoder_->position() == begin ? decoder_->read(feedBuffer_.data(), static_cast<int>(frame - begin))
                                                      : 0;
    stretch_->prime(feedBuffer_.data(), history);
    outFile_ = static_cast<double>(decoder_->position());
  }
  if (decoder_->failure().failed()) {
    sourceBroke();
    return false;
  }
  nextFrame_ = decoder_->position();
  return true;
}

void Player::changeSpeed() {
  const double speed = speed_.load();
  const bool newEngine = playSpeed_ != 1.0 && stretch_ && engine_.load() != stretchEngine_;
  if (!decoder_ || !playActive_ || (speed == playSpeed_ && !newEngine)) {
    playSpeed_ = playActive_ ? playSpeed_ : speed;
    return;
  }
  // Keep the next 30 ms of what is queued for the output (cutting a block if need be) and
  // make everything after it again at the new speed: the change is heard within that time.
  const int keepFrames = std::max(kSeamFadeFrames * 2, decoder_->info().sampleRate * 3 / 100);
  std::int64_t seam = -1;
  bool ended = false;
  output_.runExclusive([&] {
    const std::uint32_t tail = tail_.load(), head = head_.load();
    std::uint32_t at = tail;
    int kept = 0;
    for (; at != head && kept < keepFrames; ++at) {
      Block& block = blocks_[at % kBlocks];
      const int from = at == tail ? readOffset_ : 0;
      if (block.serial != playSerial_) break;
      if (kept + block.frames - from > keepFrames && block.frames > 0) {
        // Cut the block: its file range shrinks in proportion.
        const int frames = from + (keepFrames - kept);
        block.fileEnd = block.fileStart + (block.fileEnd - block.fileStart) * frames / block.frames;
        block.frames = frames;
        block.last = false;
      }
      kept += block.frames - from;
      seam = block.fileEnd;
      ended = block.last;
    }
    head_.store(at);
    if (at == tail) return;
    // The seam: the old sound fades out over its last frames, the new fades in.
    Block& last = blocks_[(at - 1) % kBlocks];
    const int from = std::max(at - 1 == tail ? readOffset_ : 0, last.frames - kSeamFadeFrames);
    const int channels = outputChannels_.load();
    for (int i = from; i < last.frames; ++i)
      for (int c = 0; c < channels; ++c)
        last.data[static_cast<std::size_t>(i * channels + c)] *= static_cast<float>(last.frames - i) /
                                                                 static_cast<float>(last.frames - from + 1);
  });
  if (ended) {
    producing_ = false;  // nothing follows the kept blocks: the new speed waits for the next play
    playSpeed_ = speed;
    return;
  }
  if (seam < 0) seam = playSpeed_ == 1.0 ? nextFrame_ : static_cast<std::int64_t>(std::llround(outFile_));
  if (!startAt(seam)) return;
  fadeIn_ = kSeamFadeFrames;
  producing_ = true;
}

bool Player::produceBlock() {
  if (playSpeed_ != 1.0) return produceStretchedBlock();
  Block& block = blocks_[head_.load() % kBlocks];
  int want = kBlockFrames;
  if (endFrame_ >= 0) want = static_cast<int>(std::clamp<std::int64_t>(endFrame_ - nextFrame_, 0, want));
  // At 1.0× the decoded frames go out as they are (other speeds: produceStretchedBlock),
  // the block's file range saying what stretch of the file they stand for.
  const int got = want > 0 ? decoder_->read(block.data.data(), want) : 0;
  block.serial = playSerial_;
  block.frames = got;
  block.fileStart = nextFrame_;
  block.fileEnd = nextFrame_ + got;
  nextFrame_ += got;
  block.last = got < want || (endFrame_ >= 0 && nextFrame_ >= endFrame_);
  return queueBlock(block);
}

bool Player::produceStretchedBlock() {
  Block& block = blocks_[head_.load() % kBlocks];
  const int channels = decoder_->info().channels;
  // Feed the stretch until it has a block's worth of output, or the play's frames run out.
  while (stretch_->available() < kBlockFrames && !fedLast_) {
    int want = std::min(stretch_->wanted(), kBlockFrames);
    if (endFrame_ >= 0) want = static_cast<int>(std::clamp<std::int64_t>(endFrame_ - nextFrame_, 0, want));
    feedBuffer_.resize(std::max(feedBuffer_.size(), static_cast<std::size_t>(kBlockFrames) * channels));
    const int got = want > 0 ? decoder_->read(feedBuffer_.data(), want) : 0;
    nextFrame_ += got;
    fedLast_ = got < want || want == 0 || (endFrame_ >= 0 && nextFrame_ >= endFrame_) || decoder_->failure().failed();
    stretch_->feed(feedBuffer_.data(), got, fedLast_);
  }
  const int got = stretch_->take(block.data.data(), kBlockFrames);
  block.serial = playSerial_;
  block.frames = got;
  block.fileStart = std::llround(outFile_);
  outFile_ = std::min(outFile_ + got * playSpeed_, static_cast<double>(nextFrame_));
  block.last = fedLast_ && stretch_->finished();
  // The last block ends exactly where the play's frames ended (a ranged play's end frame).
  block.fileEnd = block.last ? nextFrame_ : std::llround(outFile_);
  return queueBlock(block);
}

void Player::fadeIn(Block& block) {
  const int channels = outputChannels_.load();
  for (int i = 0; fadeIn_ > 0 && i < block.frames; ++i, --fadeIn_) {
    const float gain = 1.0f - static_cast<float>(fadeIn_) / (kSeamFadeFrames + 1);
    for (int c = 0; c < channels; ++c) block.data[static_cast<std::size_t>(i * channels + c)] *= gain;
  }
}

bool Player::queueBlock(Block& block) {
  fadeIn(block);
  if (decoder_->failure().failed()) {
    // The frames read so far still play; then the play ends and the source is gone.
    block.last = true;
    head_.store(head_.load() + 1, std::memory_order_release);
    sourceBroke();
    return false;
  }
  if (decoder_->reachedEnd()) {
    // Decoding met the real end of the source: the frames counted are the true length.
    std::lock_guard lock(mutex_);
    if (workerLoadSerial_ == loadSerial_) endFound_ = nextFrame_;
  }
  head_.store(head_.load() + 1, std::memory_order_release);
  return !block.last;
}

}  // namespace tessaly::audio
