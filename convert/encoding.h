// The two text encodings the engine reads and writes, their characters as
// Unicode, and the decision between them from the text itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/sjis.h"

namespace qv {

enum class Encoding : uint8_t { kShiftJis, kUtf8 };

// One character read from a text: its Unicode scalar value where the engine
// knows it, otherwise a code of its own (kOpaque and up) that stands for
// exactly these bytes, so that equal bytes give equal codes. `length` is at
// least 1.
struct Decoded {
  uint32_t code;
  uint32_t length;
};

// Codes of characters the engine has no Unicode value for: a Shift_JIS pair
// outside the tables (kOpaque | lead << 8 | trail) or a byte that is no
// character of its own (kOpaque | kLoneByte | byte).
inline constexpr uint32_t kOpaque = 0x00200000;
inline constexpr uint32_t kLoneByte = 0x00010000;

namespace encoding_detail {

// Row 0x81 of code page 932 from trail byte 0x40 to 0x97: the symbols of the
// tables and their neighbours (0 for 0x7F, which is no trail byte).
inline constexpr uint16_t kRow81[] = {
    0x3000, 0x3001, 0x3002, 0xFF0C, 0xFF0E, 0x30FB, 0xFF1A, 0xFF1B, 0xFF1F, 0xFF01, 0x309B, 0x309C, 0x00B4, 0xFF40,
    0x00A8, 0xFF3E, 0xFFE3, 0xFF3F, 0x30FD, 0x30FE, 0x309D, 0x309E, 0x3003, 0x4EDD, 0x3005, 0x3006, 0x3007, 0x30FC,
    0x2015, 0x2010, 0xFF0F, 0xFF3C, 0xFF5E, 0x2225, 0xFF5C, 0x2026, 0x2025, 0x2018, 0x2019, 0x201C, 0x201D, 0xFF08,
    0xFF09, 0x3014, 0x3015, 0xFF3B, 0xFF3D, 0xFF5B, 0xFF5D, 0x3008, 0x3009, 0x300A, 0x300B, 0x300C, 0x300D, 0x300E,
    0x300F, 0x3010, 0x3011, 0xFF0B, 0xFF0D, 0x00B1, 0x00D7, 0x0000, 0x00F7, 0xFF1D, 0x2260, 0xFF1C, 0xFF1E, 0x2266,
    0x2267, 0x221E, 0x2234, 0x2642, 0x2640, 0x00B0, 0x2032, 0x2033, 0x2103, 0xFFE5, 0xFF04, 0xFFE0, 0xFFE1, 0xFF05,
    0xFF03, 0xFF06, 0xFF0A, 0xFF20};

// The Unicode value of a pair of rows 0x81..0x83 that the tables can name,
// 0 for any other pair.
inline uint32_t PairToUnicode(uint8_t lead, uint8_t trail) {
  if (lead == 0x81) return trail >= 0x40 && trail <= 0x97 ? kRow81[trail - 0x40] : 0;
  if (lead == 0x82) {
    if (trail >= 0x4F && trail <= 0x58) return 0xFF10 + (trail - 0x4Fu);  // ０..９
    if (trail >= 0x60 && trail <= 0x79) return 0xFF21 + (trail - 0x60u);  // Ａ..Ｚ
    if (trail >= 0x81 && trail <= 0x9A) return 0xFF41 + (trail - 0x81u);  // ａ..ｚ
    if (trail >= 0x9F && trail <= 0xF1) return 0x3041 + (trail - 0x9Fu);  // ぁ..ん
    return 0;
  }
  if (lead == 0x83) {
    if (trail >= 0x40 && trail <= 0x7E) return 0x30A1 + (trail - 0x40u);  // ァ..ミ
    if (trail >= 0x80 && trail <= 0x96) return 0x30E0 + (trail - 0x80u);  // ム..ヶ
  }
  return 0;
}

// A single byte's Unicode value (0x5C: the yen sign), 0 for none.
inline uint32_t ByteToUnicode(uint8_t b) {
  if (b == 0x5C) return 0x00A5;
  if (b < 0x80) return b;
  if (b >= 0xA1 && b <= 0xDF) return 0xFF61 + (b - 0xA1u);
  return 0;
}

// The length of the well-formed UTF-8 sequence at p: 1..4; 0 when the byte
// starts none; -1 when the bytes up to `end` are a well-formed beginning.
inline int Utf8Length(const uint8_t* p, const uint8_t* end) {
  const uint8_t b = p[0];
  if (b < 0x80) return 1;
  int length;
  uint8_t low = 0x80;
  uint8_t high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0) low = 0xA0;   // no overlong forms
    if (b == 0xED) high = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  for (int i = 1; i < length; ++i) {
    if (p + i >= end) return -1;
    const uint8_t c = p[i];
    if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

}  // namespace encoding_detail

// The first character of p[0, end), end > p. In Shift_JIS, 0x5C is the yen
// sign U+00A5 (the tables pair it with ￥), 0xA1..0xDF the half-width
// katakana, and the pairs of the tables' rows 0x81..0x83 have their Unicode
// values. In UTF-8 every byte that starts no well-formed sequence is a
// character of one byte.
inline Decoded DecodeSjis(const uint8_t* p, const uint8_t* end) {
  using namespace encoding_detail;
  const uint8_t b = p[0];
  if (sjis::IsLead(b) && p + 1 < end && sjis::IsTrail(p[1])) {
    const uint32_t u = PairToUnicode(b, p[1]);
    return {u != 0 ? u : kOpaque | static_cast<uint32_t>(b) << 8 | p[1], 2};
  }
  const uint32_t u = ByteToUnicode(b);
  return {u != 0 || b == 0 ? u : kOpaque | kLoneByte | b, 1};
}

inline Decoded DecodeUtf8(const uint8_t* p, const uint8_t* end) {
  const uint8_t b = p[0];
  if (b < 0x80) return {b, 1};
  const int length = encoding_detail::Utf8Length(p, end);
  if (length <= 0) return {kOpaque | kLoneByte | b, 1};
  uint32_t u = b & (0x7Fu >> length);
  for (int i = 1; i < length; ++i) u = u << 6 | (p[i] & 0x3Fu);
  return {u, static_cast<uint32_t>(length)};
}

inline Decoded Decode(Encoding e, const uint8_t* p, const uint8_t* end) {
  return e == Encoding::kUtf8 ? DecodeUtf8(p, end) : DecodeSjis(p, end);
}
// Whether p[0, end) is the beginning of a character that goes on past `end`
// (a lead byte alone, or a well-formed UTF-8 sequence cut short).
bool EndsInsideCharacter(Encoding e, const uint8_t* p, const uint8_t* end);

// Whether every byte of `text` belongs to a character of the encoding (no
// lone lead byte, no byte that starts no character, no broken sequence).
bool IsWellFormed(Encoding e, const uint8_t* text, size_t n);

// The Shift_JIS bytes of a Unicode scalar value the tables know (at most 2),
// or 0 when Shift_JIS as the engine reads it has none for it.
size_t EncodeSjis(uint32_t code, uint8_t* out);
// The UTF-8 bytes of a scalar value (at most 4).
size_t EncodeUtf8(uint32_t code, uint8_t* out);

// What the beginning of a text says about its encoding.
enum class Detection : uint8_t {
  kUndecided,  // read on: the look-ahead is not complete yet
  kShiftJis,
  kUtf8,
  kNoSign,     // only ASCII within the look-ahead: either encoding reads it alike
};

// UTF-8 when the text starts with a byte-order mark, or when the bytes from
// its first non-ASCII byte on are well-formed UTF-8 over kDetectWindow bytes
// (or to the end of a shorter text); Shift_JIS as soon as they are not.
// Without a non-ASCII byte in the first kDetectAsciiLimit bytes, kNoSign.
// `complete`: `data` is the whole text.
inline constexpr size_t kDetectWindow = size_t{64} << 10;
inline constexpr size_t kDetectAsciiLimit = size_t{1} << 20;
Detection DetectEncoding(const uint8_t* data, size_t n, bool complete);

}  // namespace qv
