// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/FailureText.h"

#include <string_view>

namespace tessaly {

namespace {

std::string_view inChinese(FailureKind kind) {
  switch (kind) {
    case FailureKind::None: return {};
    case FailureKind::Missing: return "文件不存在（可能已被删除、改名或移走）。";
    case FailureKind::NotAFile: return "这不是一个普通文件。";
    case FailureKind::Unreadable: return "文件读不出来（可能没有读取权限）。";
    case FailureKind::Empty: return "文件是空的，没有任何内容。";
    case FailureKind::NotAudio: return "不是能识别的语音文件（文件可能已损坏，或者不是声音文件）。";
    case FailureKind::BadStreamInformation: return "文件中的声音信息读不出来（文件可能已损坏）。";
    case FailureKind::NoAudioStream: return "文件中没有能播放的声音。";
    case FailureKind::NothingDecoded: return "文件中没有能播放的声音（文件可能只剩文件头，或已损坏）。";
    case FailureKind::BadSampleRate: return "声音的采样率无法播放。";
    case FailureKind::BadChannelCount: return "声音的声道数无法播放。";
    case FailureKind::BadCodecParameters: return "声音的编码参数无法使用（文件可能已损坏）。";
    case FailureKind::DecoderRefused: return "声音的编码无法解码（文件可能已损坏）。";
    case FailureKind::ReadLost: return "文件在播放中途读不出来了（可能是存储设备已被拔出）。";
    case FailureKind::ReopenFailed: return "文件在播放中途打不开了（可能已被删除、改名或移走）。";
    case FailureKind::RamNothingPlays: return "不是能识别的语音文件，或者其中列出的语音地址都无法播放。";
    case FailureKind::RamTooDeep: return ".ram 文件互相引用的层数太多。";
    case FailureKind::OutOfMemory: return "内存不足。";
    case FailureKind::Cancelled: return "打开被取消了。";
    case FailureKind::OpenTimedOut: return "文件打开超时。";
  }
  return "文件无法播放。";
}

void describe(const Failure& failure, const std::string& indent, std::string& out) {
  out += inChinese(failure.kind);
  if (failure.kind != FailureKind::RamNothingPlays) return;
  for (const Failure& entry : failure.entries) {
    out += "\n" + indent + entry.location + "：";
    describe(entry, indent + "　", out);
  }
}

}  // namespace

std::string failureInChinese(const Failure& failure) {
  std::string text;
  describe(failure, "　", text);
  return text;
}

}  // namespace tessaly
