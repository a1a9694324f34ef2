// SPDX-License-Identifier: GPL-3.0-or-later
// The status captions and the button and picture layouts shared by both back-ends.
#pragma once

#include <cstdint>
#include <string_view>

#include "playback/PlayerControls.h"

namespace tessaly {

namespace captions {
// "　" is U+3000, the ideographic space.
inline constexpr std::string_view kPlaying = "正在播放 按 Alt + X 复读　 按 Alt + Z 暂停";
inline constexpr std::string_view kRepeating = "正在复读　按 Alt + X 停止复读并继续朗读";
inline constexpr std::string_view kPaused = "暂停 按　Alt + Z　继续朗读";
// Shown by the MCI stop: ends with an ideographic space.
inline constexpr std::string_view kWaitingAfterMciStop = "等待播放　按 Alt + F 选择要播放的语音文件　";
// Shown at start-up and by the streaming stop.
inline constexpr std::string_view kWaiting = "等待播放　按 Alt + F 选择要播放的语音文件";
inline constexpr std::string_view kIdleTime = "00:00.0";
}  // namespace captions

enum class Layout {
  Start,
  Stop,
  EnterRepeatLoop,
  LeaveRepeatLoop,
  Pause,
  ContinueInRepeatLoop,
  ContinueInNormalListening,
};

// Sets Command1 to Command20 and Picture1 to Picture3 as the layout's row says; a button
// or picture the row leaves alone keeps its state.
void applyLayout(Layout layout, const PlayerControls& controls);

// Shows exactly one status picture.
void showPicture(StatusPicture which, const PlayerControls& controls);

// A position kept in a double, handed back to a device as the nearest 32-bit integer.
std::int32_t toDevicePosition(double ms);

}  // namespace tessaly
