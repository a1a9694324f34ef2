// SPDX-License-Identifier: GPL-3.0-or-later
// Both play-list readers on any bytes: they must never crash, must agree with each other
// (the player's entries are the editor's, trimmed), must give entries that the list writer
// stores and reads back unchanged, and the type check must cope with whatever they give.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/PlayListFile.h"
#include "text/Encoding.h"
#include "text/Module1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tessaly::TextEncoding encoding = tessaly::TextEncoding::Gb18030;
  const std::vector<std::string> editing = tessaly::parseListForEditing(bytes, &encoding);
  const std::vector<std::string> playing = tessaly::parseListForPlaying(bytes);
  if (editing.size() != playing.size()) std::abort();
  for (std::size_t i = 0; i < editing.size(); ++i) {
    if (editing[i].find('\r') != std::string::npos) std::abort();
    if (!tessaly::isValidUtf8(editing[i])) std::abort();
    if (playing[i] != tessaly::trimSpaces(editing[i])) std::abort();
    const std::string type = tessaly::entryType(editing[i]);
    if (type.size() > editing[i].size() || !editing[i].ends_with(type)) std::abort();
  }
  (void)tessaly::isMixedList(editing);
  (void)tessaly::entryType(bytes);  // raw bytes, not necessarily UTF-8

  // What the manager saves after opening these bytes reads back as the same entries.
  if (tessaly::parseListForEditing(tessaly::encodePlayList(editing, encoding)) != editing) std::abort();
  return 0;
}
