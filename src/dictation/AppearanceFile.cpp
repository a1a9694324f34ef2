// SPDX-License-Identifier: GPL-3.0-or-later
#include "dictation/AppearanceFile.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tessaly {

namespace {

// Reads fields from the front of the file's bytes; past the end it gives zero bytes.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  template <std::size_t N>
  void bytes(std::array<char, N>& out) {
    const std::size_t got = take(N);
    std::memcpy(out.data(), bytes_.data() + position_ - got, got);
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(got), out.end(), '\0');
  }

  // An unsigned little-endian number of `size` bytes (at most 8).
  std::uint64_t number(std::size_t size) {
    const std::size_t got = take(size);
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < got; ++i)
      value |= std::uint64_t{static_cast<unsigned char>(bytes_[position_ - got + i])} << (8 * i);
    return value;
  }

  std::int16_t int16() { return static_cast<std::int16_t>(number(2)); }
  double real() { return std::bit_cast<double>(number(8)); }

  std::string text() {
    const std::size_t length = static_cast<std::size_t>(number(2));
    const std::size_t got = take(length);
    return std::string(bytes_.substr(position_ - got, got));
  }

  std::string_view rest() const { return bytes_.substr(position_); }

 private:
  // Moves on by up to `size` bytes; returns how many were there.
  std::size_t take(std::size_t size) {
    const std::size_t got = std::min(size, bytes_.size() - position_);
    position_ += got;
    return got;
  }

  std::string_view bytes_;
  std::size_t position_ = 0;
};

void putNumber(std::string& out, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void putInt16(std::string& out, std::int16_t value) { putNumber(out, static_cast<std::uint16_t>(value), 2); }

template <std::size_t N>
void putBytes(std::string& out, const std::array<char, N>& bytes) {
  out.append(bytes.data(), N);
}

void putText(std::string& out, const std::string& text) {
  const std::size_t length = std::min<std::size_t>(text.size(), 0xFFFF);
  putNumber(out, length, 2);
  out.append(text, 0, length);
}

AppearanceRecord readRecord(Reader& in) {
  AppearanceRecord record;
  in.bytes(record.reservedHead);
  record.reservedReal0 = in.real();
  record.fontSize = in.int16();
  record.notBold = in.int16();
  record.reservedInt2 = in.int16();
  record.reservedInt3 = in.int16();
  record.textColourIndex = in.int16();
  record.backColourIndex = in.int16();
  record.reservedInt6 = in.int16();
  record.reservedInt7 = in.int16();
  record.reservedInt8 = in.int16();
  record.reservedInt9 = in.int16();
  in.bytes(record.reservedReal1);
  in.bytes(record.reservedReal2);
  in.bytes(record.reservedReal3);
  in.bytes(record.reservedReal4);
  for (auto& text : record.reservedTexts) text = in.text();
  return record;
}

}  // namespace

AppearanceRecord defaultAppearanceRecord() {
  AppearanceRecord record;
  record.reservedReal0 = 2000.0;
  record.fontSize = 64;
  record.notBold = 1;
  record.textColourIndex = 0;
  record.backColourIndex = 4;
  record.reservedInt7 = 1;
  record.reservedInt8 = 100;
  record.reservedInt9 = 5;
  record.reservedTexts.fill("0");
  return record;
}

AppearanceFile firstStartAppearanceFile() {
  AppearanceFile file;
  for (AppearanceRecord& record : file.records) record = defaultAppearanceRecord();
  AppearanceRecord& slot0 = file.records[0];
  slot0.fontSize = 20;
  slot0.textColourIndex = 2;  // black, on the default background's light green
  return file;
}

AppearanceFile parseAppearanceFile(std::string_view bytes) {
  Reader in(bytes);
  AppearanceFile file;
  for (auto& slot : file.records) slot = readRecord(in);
  file.tail = std::string(in.rest());
  return file;
}

std::string serialiseAppearanceRecord(const AppearanceRecord& record) {
  std::string out;
  putBytes(out, record.reservedHead);
  putNumber(out, std::bit_cast<std::uint64_t>(record.reservedReal0), 8);
  for (const std::int16_t value :
       {record.fontSize, record.notBold, record.reservedInt2, record.reservedInt3, record.textColourIndex,
        record.backColourIndex, record.reservedInt6, record.reservedInt7, record.reservedInt8, record.reservedInt9})
    putInt16(out, value);
  putBytes(out, record.reservedReal1);
  putBytes(out, record.reservedReal2);
  putBytes(out, record.reservedReal3);
  putBytes(out, record.reservedReal4);
  for (const auto& text : record.reservedTexts) putText(out, text);
  return out;
}

std::string serialiseAppearanceFile(const AppearanceFile& file) {
  std::string out;
  for (const auto& slot : file.records) out += serialiseAppearanceRecord(slot);
  out += file.tail;
  return out;
}

}  // namespace tessaly
