// SPDX-License-Identifier: GPL-3.0-or-later
#include "shadow/engine/TakeStore.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>

#include "audio/MonoWriter.h"

namespace tessaly {

using audio::MonoWriter;

namespace {

namespace fs = std::filesystem;

// The takes in `folder`, oldest first (the time is in the name, so a copied folder keeps it).
std::vector<fs::path> allTakes(const std::string& folder) {
  std::vector<fs::path> takes;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    if (it->path().extension() == ".flac") takes.push_back(it->path());
  const auto when = [](const fs::path& p) {
    const std::string stem = p.stem().string();
    return std::atoll(stem.substr(stem.rfind('-') + 1).c_str());
  };
  std::sort(takes.begin(), takes.end(), [&](const fs::path& a, const fs::path& b) { return when(a) < when(b); });
  return takes;
}

std::string prefixOf(const std::string& recordingHash, std::int32_t startMs) {
  return recordingHash + "-" + std::to_string(startMs) + "-";
}

// Why a take could not be written into `folder`, in words.
std::string unwritableBecause(const fs::path& folder, std::uintmax_t needed) {
  std::error_code error;
  if (fs::exists(folder, error) && !fs::is_directory(folder, error)) return "那里有一个同名的文件，不是文件夹";
  if (!fs::exists(folder, error)) return "这个文件夹建不起来";
  if (::access(folder.c_str(), W_OK) != 0) return "这个文件夹不能写入（只读，或没有写入权限）";
  const fs::space_info space = fs::space(folder, error);
  if (!error && space.available < needed) return "磁盘已满";
  return "写入文件时出错";
}

}  // namespace

TakeStore::Kept TakeStore::keep(const std::string& recordingHash, std::int32_t startMs, const std::vector<float>& samples,
                                int rate, const std::string& comment) {
  std::error_code error;
  fs::create_directories(folder_, error);
  const auto now =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  const fs::path path = fs::path(folder_) / (prefixOf(recordingHash, startMs) + std::to_string(now) + ".flac");
  const auto unkept = [&] {
    // Room for the take as 16-bit samples: a FLAC file is no larger.
    const std::uintmax_t needed = samples.size() * 2 + (64u << 10);
    return Kept{{}, "跟读录音没能保存到 " + folder_ + "：" + unwritableBecause(folder_, needed) + "。"};
  };
  MonoWriter writer;
  const std::string temporary = path.string() + ".part";
  if (writer.open(temporary, MonoWriter::Format::Flac, rate, comment) != MonoWriter::OpenFailure::None ||
      !writer.write(samples.data(), samples.size()) || !writer.finish()) {
    fs::remove(temporary, error);
    return unkept();
  }
  fs::rename(temporary, path, error);
  if (error) {
    fs::remove(temporary, error);
    return unkept();
  }
  // The sentence's older takes beyond three, then the oldest of all while over the cap.
  const std::vector<std::string> mine = takesOf(recordingHash, startMs);
  for (std::size_t i = kTakesPerSentence; i < mine.size(); ++i) fs::remove(mine[i], error);
  std::vector<fs::path> takes = allTakes(folder_);
  for (std::size_t i = 0; i + 1 < takes.size() && bytes() > capBytes_; ++i) fs::remove(takes[i], error);
  return {path.string(), {}};
}

std::vector<std::string> TakeStore::takesOf(const std::string& recordingHash, std::int32_t startMs) const {
  std::vector<std::string> found;
  const std::string prefix = prefixOf(recordingHash, startMs);
  for (const fs::path& p : allTakes(folder_))
    if (p.filename().string().rfind(prefix, 0) == 0) found.insert(found.begin(), p.string());
  return found;
}

std::uintmax_t TakeStore::bytes() const {
  std::uintmax_t total = 0;
  std::error_code error;
  for (const fs::path& p : allTakes(folder_)) total += fs::file_size(p, error);
  return total;
}

TakeStore::Cap TakeStore::capOf(const std::optional<std::string>& setting) {
  Cap cap;
  if (!setting) return cap;
  const std::string& text = *setting;
  long long mb = 0;
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, mb);
  if (text.empty() || stop != end || (error != std::errc() && error != std::errc::result_out_of_range)) {
    cap.fault = "settings.ini 里的 takes_cap_mb=“" + text +
                "”不是整数，读不出跟读录音的上限：要写成多少 MB，例如 takes_cap_mb=" + std::to_string(kDefaultCapMb) +
                "。现在仍按默认的 " + std::to_string(kDefaultCapMb) + " MB 保存。";
    return cap;
  }
  // A number the learner wrote, however large or small, is brought within the range.
  const bool negative = text[0] == '-';
  std::uintmax_t within = kMostCapMb;
  if (negative) within = kLeastCapMb;
  else if (error == std::errc())
    within = std::clamp<std::uintmax_t>(static_cast<std::uintmax_t>(mb), kLeastCapMb, kMostCapMb);
  cap.bytes = within << 20;
  return cap;
}

}  // namespace tessaly
