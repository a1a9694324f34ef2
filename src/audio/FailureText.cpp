// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/FailureText.h"

#include <string_view>
#include <utility>

namespace tessaly::audio {

std::string failureInChinese(const std::string& reason) {
  if (reason.empty()) return {};
  // Longest prefixes first where one starts another.
  static constexpr std::pair<std::string_view, std::string_view> kReasons[] = {
      {"the file does not exist", "文件不存在（可能已被删除、改名或移走）。"},
      {"the file can no longer be opened", "文件在播放中途打不开了（可能已被删除、改名或移走）。"},
      {"the file can no longer be read", "文件在播放中途读不出来了（可能是存储设备已被拔出）。"},
      {"the file cannot be read", "文件读不出来（可能没有读取权限）。"},
      {"the file is empty", "文件是空的，没有任何内容。"},
      {"not a file", "这不是一个普通文件。"},
      {"not a recognised audio file", "不是能识别的语音文件（文件可能已损坏，或者不是声音文件）。"},
      {"unreadable stream information", "文件中的声音信息读不出来（文件可能已损坏）。"},
      {"no audio that can be decoded", "文件中没有能播放的声音。"},
      {"no audio could be decoded", "文件中没有能播放的声音（文件可能只剩文件头，或已损坏）。"},
      {"unusable sample rate", "声音的采样率无法播放。"},
      {"unusable channel count", "声音的声道数无法播放。"},
      {"unusable codec parameters", "声音的编码参数无法使用（文件可能已损坏）。"},
      {"the decoder refused the stream", "声音的编码无法解码（文件可能已损坏）。"},
      {"the .ram names nothing that plays", "不是能识别的语音文件，或者其中列出的语音地址都无法播放。"},
      {"too many .ram files inside each other", ".ram 文件互相引用的层数太多。"},
      {"out of memory", "内存不足。"},
  };
  for (const auto& [english, chinese] : kReasons)
    if (reason.starts_with(english)) return std::string(chinese);
  return "文件无法播放（" + reason + "）。";
}

}  // namespace tessaly::audio
