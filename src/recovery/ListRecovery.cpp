// SPDX-License-Identifier: GPL-3.0-or-later
#include "recovery/ListRecovery.h"

namespace tessaly {

namespace {

constexpr std::string_view kMagic = "Tessaly unsaved play list 1\n";
constexpr std::string_view kList = "list: ";

}  // namespace

std::string encodeListRecovery(const ListRecord& record) {
  std::string bytes(kMagic);
  bytes += kList;
  bytes += record.listPath + "\n\n";
  for (const std::string& entry : record.entries) bytes += entry + "\n";
  return bytes;
}

std::optional<ListRecord> decodeListRecovery(std::string_view bytes) {
  if (!bytes.starts_with(kMagic)) return std::nullopt;
  bytes.remove_prefix(kMagic.size());
  const auto lineEnd = bytes.find('\n');
  if (lineEnd == std::string_view::npos || !bytes.starts_with(kList)) return std::nullopt;
  ListRecord record;
  record.listPath = std::string(bytes.substr(kList.size(), lineEnd - kList.size()));
  bytes.remove_prefix(lineEnd + 1);
  if (!bytes.starts_with("\n")) return std::nullopt;
  bytes.remove_prefix(1);
  while (!bytes.empty()) {
    const auto end = bytes.find('\n');
    if (end == std::string_view::npos) return std::nullopt;  // cut short: not a whole copy
    if (end > 0) record.entries.emplace_back(bytes.substr(0, end));
    bytes.remove_prefix(end + 1);
  }
  return record;
}

void keepUnsavedList(FileFolder& folder, const ListRecord& record) {
  folder.write(std::string(kListCopyName), encodeListRecovery(record));
}

std::optional<ListRecord> unsavedListCopy(const FileFolder& folder) {
  const auto bytes = folder.read(std::string(kListCopyName));
  return bytes ? decodeListRecovery(*bytes) : std::nullopt;
}

void discardUnsavedList(FileFolder& folder) { folder.remove(std::string(kListCopyName)); }

}  // namespace tessaly
