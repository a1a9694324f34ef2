// SPDX-License-Identifier: GPL-3.0-or-later
// The recordings the open dialogs offer: every container of sound (and of video, whose sound
// is played) the decoder opens, then the dialog's own long-standing type line, then all files.
// Pure constants; any thread.
#pragma once

#include <string_view>

namespace tessaly {

// The dialog's filter: description|patterns pairs, joined by bars.
inline constexpr std::string_view kRecordingFilter =
    "所有能播放的录音和视频|"
    "*.mp3;*.wav;*.m4a;*.aac;*.ogg;*.oga;*.opus;*.flac;*.wma;*.rm;*.ram;*.ra;"
    "*.mp4;*.m4v;*.mkv;*.webm;*.mov;*.avi|"
    "语音文件(*.mp3;*.rm;*.ram;*.ra;*.wav)|*.mp3;*.rm;*.ram;*.ra;*.wav|"
    "所有文件|*";

}  // namespace tessaly
