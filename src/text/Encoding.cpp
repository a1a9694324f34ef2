// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/Encoding.h"

#include <iconv.h>
#include <cerrno>
#include <stdexcept>

namespace tessaly {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";         // U+FFFD
constexpr std::string_view kReplacementGb18030 = "\x84\x31\xA4\x37";  // U+FFFD

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert");
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of `in`; a byte sequence that cannot be converted is replaced by
  // `replacement` and skipped one byte at a time, an incomplete one at the end likewise.
  std::string convert(std::string_view in, std::string_view replacement, std::size_t* replaced = nullptr) {
    std::string out;
    out.reserve(in.size() * 3 / 2 + 16);
    char buffer[4096];
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    while (srcLeft > 0) {
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      const std::size_t result = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (result != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: replace one byte and go on from the next.
      out.append(replacement);
      if (replaced) ++*replaced;
      ++src;
      --srcLeft;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

bool hasNonAscii(std::string_view bytes) {
  for (unsigned char c : bytes)
    if (c >= 0x80) return true;
  return false;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (n - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto t = static_cast<unsigned char>(bytes[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

std::string gb18030ToUtf8(std::string_view bytes, std::size_t* replaced) {
  Converter converter("UTF-8", "GB18030");
  return converter.convert(bytes, kReplacementUtf8, replaced);
}

std::string utf8ToGb18030(std::string_view utf8) {
  Converter converter("GB18030", "UTF-8");
  return converter.convert(utf8, kReplacementGb18030);
}

DecodedText decodeText(std::string_view bytes) {
  if (bytes.substr(0, kBom.size()) == kBom) {
    const std::string_view body = bytes.substr(kBom.size());
    if (isValidUtf8(body)) return {std::string(body), TextEncoding::Utf8Bom};
  }
  if (hasNonAscii(bytes) && isValidUtf8(bytes)) return {std::string(bytes), TextEncoding::Utf8};
  DecodedText decoded{{}, TextEncoding::Gb18030};
  decoded.utf8 = gb18030ToUtf8(bytes, &decoded.replaced);
  return decoded;
}

namespace {

std::string encodeAs(std::string_view utf8, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8: return std::string(utf8);
    case TextEncoding::Utf8Bom: return std::string(kBom) + std::string(utf8);
    case TextEncoding::Gb18030: break;
  }
  return utf8ToGb18030(utf8);
}

}  // namespace

std::string encodeText(std::string_view utf8, TextEncoding encoding) {
  std::string bytes = encodeAs(utf8, encoding);
  // Some texts would come back changed: the few private-use characters the system's
  // GB18030 has no bytes for, GB18030 bytes that happen to be valid UTF-8, a UTF-8 text
  // that begins with U+FEFF. Those are written as UTF-8 with a BOM, which always reads back
  // as written, rather than lose a character of the learner's.
  if (encoding != TextEncoding::Utf8Bom && isValidUtf8(utf8) && decodeText(bytes).utf8 != utf8)
    bytes = encodeAs(utf8, TextEncoding::Utf8Bom);
  return bytes;
}

}  // namespace tessaly
