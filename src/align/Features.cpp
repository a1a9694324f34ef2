// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/Features.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace tessaly::align {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kBands = 26;
constexpr double kLowHz = 100, kHighHz = 7600;

double melOf(double hz) { return 2595.0 * std::log10(1.0 + hz / 700.0); }
double hzOf(double mel) { return 700.0 * (std::pow(10.0, mel / 2595.0) - 1.0); }

// In place, radix 2; `a.size()` a power of two.
void fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2 * kPi / static_cast<double>(len));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> w = 1;
      for (std::size_t k = 0; k < len / 2; ++k, w *= step) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
}

}  // namespace

// The coefficients and the energy of one window at a time.
struct FeatureStream::Maker {
  std::size_t window = 0, size = 1;
  std::vector<double> edges, hamming;
  std::vector<std::complex<double>> spectrum;

  explicit Maker(int sampleRate) : window(static_cast<std::size_t>(sampleRate) * 25 / 1000) {
    while (size < window) size <<= 1;
    // The mel filters: triangles over the spectrum's bins.
    edges.resize(kBands + 2);
    for (int i = 0; i < kBands + 2; ++i)
      edges[static_cast<std::size_t>(i)] =
          hzOf(melOf(kLowHz) + (melOf(std::min(kHighHz, sampleRate / 2.0)) - melOf(kLowHz)) * i / (kBands + 1)) * size /
          sampleRate;
    hamming.resize(window);
    for (std::size_t i = 0; i < window; ++i) hamming[i] = 0.54 - 0.46 * std::cos(2 * kPi * i / (window - 1));
    spectrum.resize(size);
  }

  // The window of `available` samples from `at` (silence past them).
  void frame(const float* at, std::size_t available, Features& out) {
    double energy = 1e-10;
    for (std::size_t i = 0; i < size; ++i) {
      const double x = i < window && i < available ? at[i] * hamming[i] : 0.0;
      spectrum[i] = x;
      energy += x * x;
    }
    out.energyDb.push_back(static_cast<float>(10 * std::log10(energy / static_cast<double>(window))));
    fft(spectrum);
    std::array<double, kBands> bands{};
    for (int b = 0; b < kBands; ++b) {
      const double lo = edges[static_cast<std::size_t>(b)], mid = edges[static_cast<std::size_t>(b) + 1],
                   hi = edges[static_cast<std::size_t>(b) + 2];
      double sum = 0;
      for (std::size_t k = static_cast<std::size_t>(std::ceil(lo)); k <= static_cast<std::size_t>(hi) && k < size / 2;
           ++k) {
        const double weight = k < mid ? (k - lo) / (mid - lo) : (hi - k) / (hi - mid);
        if (weight > 0) sum += weight * std::norm(spectrum[k]);
      }
      bands[static_cast<std::size_t>(b)] = std::log(sum + 1e-10);
    }
    Frame f{};
    for (int c = 0; c < kCoefficients; ++c) {
      double sum = 0;
      for (int b = 0; b < kBands; ++b) sum += bands[static_cast<std::size_t>(b)] * std::cos(kPi * c * (b + 0.5) / kBands);
      f[static_cast<std::size_t>(c)] = static_cast<float>(sum);
    }
    out.mfcc.push_back(f);
  }
};

namespace {

// Each sequence's own mean removed, then the deltas.
void settle(Features& out) {
  Frame mean{};
  for (const Frame& f : out.mfcc)
    for (int c = 0; c < kCoefficients; ++c) mean[static_cast<std::size_t>(c)] += f[static_cast<std::size_t>(c)];
  for (float& m : mean) m /= static_cast<float>(std::max<std::size_t>(1, out.mfcc.size()));
  for (Frame& f : out.mfcc)
    for (int c = 0; c < kCoefficients; ++c) f[static_cast<std::size_t>(c)] -= mean[static_cast<std::size_t>(c)];
  for (std::size_t t = 0; t < out.mfcc.size(); ++t) {
    const Frame& before = out.mfcc[t > 0 ? t - 1 : t];
    const Frame& after = out.mfcc[t + 1 < out.mfcc.size() ? t + 1 : t];
    for (std::size_t c = 0; c < kCoefficients; ++c) out.mfcc[t][kCoefficients + c] = (after[c] - before[c]) / 2;
  }
}

}  // namespace

Features featuresOf(const float* mono, std::size_t count, int sampleRate) {
  Features out;
  const std::size_t hop = static_cast<std::size_t>(sampleRate) * kHopMs / 1000;
  if (hop == 0 || count == 0) return out;
  FeatureStream::Maker maker(sampleRate);
  for (std::size_t at = 0; at < count; at += hop) maker.frame(mono + at, count - at, out);
  settle(out);
  return out;
}

FeatureStream::FeatureStream(int sampleRate)
    : maker_(sampleRate > 0 ? new Maker(sampleRate) : nullptr), rate_(sampleRate) {}

FeatureStream::~FeatureStream() { delete maker_; }

void FeatureStream::add(const float* mono, std::size_t count) {
  if (!maker_) return;
  pending_.insert(pending_.end(), mono, mono + count);
  const std::int64_t end = pendingFrom_ + static_cast<std::int64_t>(pending_.size());
  std::int64_t start = frames_ * rate_ / 100;
  // Every frame whose whole window is here.
  while (start + static_cast<std::int64_t>(maker_->window) <= end) {
    maker_->frame(pending_.data() + (start - pendingFrom_), static_cast<std::size_t>(end - start), out_);
    start = ++frames_ * rate_ / 100;
  }
  const std::int64_t keep = std::min(start, end);
  pending_.erase(pending_.begin(), pending_.begin() + (keep - pendingFrom_));
  pendingFrom_ = keep;
}

Features FeatureStream::finish() {
  if (maker_) {
    const std::int64_t end = pendingFrom_ + static_cast<std::int64_t>(pending_.size());
    for (std::int64_t start = frames_ * rate_ / 100; start < end; start = ++frames_ * rate_ / 100)
      maker_->frame(pending_.data() + (start - pendingFrom_), static_cast<std::size_t>(end - start), out_);
    pending_.clear();
    pendingFrom_ = end;
  }
  Features done = std::move(out_);
  out_ = {};
  settle(done);
  return done;
}

float percentile(std::vector<float> values, double share) {
  if (values.empty()) return 0;
  const std::size_t at = std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
  return values[at];
}

}  // namespace tessaly::align
