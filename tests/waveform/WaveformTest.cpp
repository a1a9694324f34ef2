// SPDX-License-Identifier: GPL-3.0-or-later
// The waveform's arithmetic: a bucket's extremes, the columns of any stretch at any width, and
// the view's zoom, scroll and paging, with x and ms mapping both ways.
#include <gtest/gtest.h>

#include <vector>

#include "waveform/Peaks.h"
#include "waveform/WaveView.h"

namespace tessaly::test {
namespace {

TEST(Peaks, ABucketHoldsTheExtremesOfAllChannelsWithinFullScale) {
  const float stereo[] = {0.1f, -0.2f, 0.7f, 0.3f, -1.5f, 0.0f};
  EXPECT_EQ(peakOf(stereo, 3, 2), (PeakPair{-1.0f, 0.7f}));
  EXPECT_EQ(peakOf(stereo, 0, 2), PeakPair{});
  EXPECT_EQ(peakBucketFrames(44100), 221);  // 5.01 ms
  EXPECT_EQ(peakBucketFrames(8000), 40);
  EXPECT_EQ(peakBucketFrames(0), 1);
}

PeakTable ramp(int buckets) {  // bucket i: {-i/100, i/100}, 5 ms each
  PeakTable t;
  t.bucketMs = 5;
  for (int i = 0; i < buckets; ++i) t.buckets.push_back({-i / 100.0f, i / 100.0f});
  return t;
}

TEST(Peaks, ColumnsTakeTheExtremesOfTheBucketsTheyCover) {
  const PeakTable t = ramp(100);  // 500 ms
  struct Case {
    double from, to;
    int width;
    int column;
    float high;
  } cases[] = {
      {0, 500, 10, 0, 0.09f},                               // 50 ms a column: buckets 0..9
      {0, 500, 10, 9, 0.99f},                               // the last column: buckets 90..99
      {0, 500, 1000, 999, 0.99f},                           // narrower than a bucket: the bucket it lies in
      {0, 500, 1000, 0, 0.0f},    {100, 200, 2, 1, 0.39f},  // a zoomed stretch: 150..200 ms, buckets 30..39
      {0, 1000, 10, 9, 0.0f},                               // beyond the table: nothing drawn
  };
  for (const Case& c : cases) {
    const auto columns = peakColumns(t, c.from, c.to, c.width);
    ASSERT_EQ(columns.size(), static_cast<std::size_t>(c.width));
    EXPECT_FLOAT_EQ(columns[static_cast<std::size_t>(c.column)].high, c.high) << c.from << ".." << c.to << " x" << c.column;
    EXPECT_FLOAT_EQ(columns[static_cast<std::size_t>(c.column)].low, -c.high);
  }
  EXPECT_TRUE(peakColumns(PeakTable{}, 0, 500, 4) == std::vector<PeakPair>(4));
  EXPECT_TRUE(peakColumns(t, 0, 500, 0).empty());
}

TEST(WaveView, ZoomKeepsThePointUnderTheAnchorAndStaysInTheRecording) {
  WaveView v;
  v.setWidth(1000);
  v.setLength(60000);
  EXPECT_TRUE(v.whole());
  EXPECT_DOUBLE_EQ(v.msAt(500), 30000);
  EXPECT_DOUBLE_EQ(v.xAt(15000), 250);

  v.zoomIn(15000);  // 15 s stays at x = 250
  EXPECT_DOUBLE_EQ(v.span(), 30000);
  EXPECT_DOUBLE_EQ(v.xAt(15000), 250);
  EXPECT_DOUBLE_EQ(v.msAt(v.xAt(21000)), 21000);

  for (int i = 0; i < 20; ++i) v.zoomIn(59000);  // never narrower than the shortest span
  EXPECT_DOUBLE_EQ(v.span(), WaveView::kShortestSpanMs);
  EXPECT_LE(v.to(), 60000);

  v.scroll(100);  // far past the end: the last span
  EXPECT_DOUBLE_EQ(v.to(), 60000);
  v.scroll(-100);
  EXPECT_DOUBLE_EQ(v.from(), 0);
  EXPECT_DOUBLE_EQ(v.msAt(-50), 0);  // clicks outside map into the recording

  for (int i = 0; i < 20; ++i) v.zoomOut(0);
  EXPECT_TRUE(v.whole());
  EXPECT_DOUBLE_EQ(v.from(), 0);
}

TEST(WaveView, PagesOnWithThePositionOnlyWhenItLeavesTheView) {
  WaveView v;
  v.setWidth(800);
  v.setLength(100000);
  EXPECT_FALSE(v.follow(99999));  // the whole recording is in view
  v.zoomIn(0);
  v.zoomIn(0);  // 0 .. 25 s
  EXPECT_FALSE(v.follow(24000));
  EXPECT_TRUE(v.follow(25000));
  EXPECT_DOUBLE_EQ(v.from(), 25000 - 2500);  // the position a tenth in from the left
  EXPECT_TRUE(v.follow(99000));
  EXPECT_DOUBLE_EQ(v.to(), 100000);  // never past the end
  v.setLength(100000);               // the same length keeps the view
  EXPECT_FALSE(v.whole());
  v.setLength(50000);  // another recording: all of it
  EXPECT_TRUE(v.whole());
}

}  // namespace
}  // namespace tessaly::test
