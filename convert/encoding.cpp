#include "convert/encoding.h"

#include "convert/sjis.h"

namespace qv {
namespace {

using encoding_detail::ByteToUnicode;
using encoding_detail::PairToUnicode;
using encoding_detail::Utf8Length;

// Shift_JIS bytes by Unicode value for the pages the tables use (U+00xx,
// U+20xx, U+30xx, U+FFxx): a single byte, or lead << 8 | trail; 0 for none.
struct SjisPages {
  uint16_t code[4][256] = {};

  static int Page(uint32_t u) {
    switch (u >> 8) {
      case 0x00: return 0;
      case 0x20: return 1;
      case 0x30: return 2;
      case 0xFF: return 3;
      default: return -1;
    }
  }

  SjisPages() {
    for (int b = 1; b < 256; ++b) {
      if (const uint32_t u = ByteToUnicode(static_cast<uint8_t>(b)); u != 0) code[Page(u)][u & 0xFF] = static_cast<uint16_t>(b);
    }
    for (int lead = 0x81; lead <= 0x83; ++lead) {
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        const uint32_t u = PairToUnicode(static_cast<uint8_t>(lead), static_cast<uint8_t>(trail));
        if (u == 0 || Page(u) < 0) continue;
        uint16_t& slot = code[Page(u)][u & 0xFF];
        if (slot == 0) slot = static_cast<uint16_t>(lead << 8 | trail);
      }
    }
  }
};

}  // namespace

bool IsWellFormed(Encoding e, const uint8_t* text, size_t n) {
  for (const uint8_t* p = text; p < text + n;) {
    const Decoded d = Decode(e, p, text + n);
    if ((d.code & (kOpaque | kLoneByte)) == (kOpaque | kLoneByte)) return false;
    p += d.length;
  }
  return true;
}

bool EndsInsideCharacter(Encoding e, const uint8_t* p, const uint8_t* end) {
  if (e == Encoding::kShiftJis) return sjis::IsLead(p[0]) && p + 1 == end;
  return Utf8Length(p, end) < 0;
}

size_t EncodeSjis(uint32_t code, uint8_t* out) {
  static const SjisPages pages;
  const int page = SjisPages::Page(code);
  const uint16_t c = page < 0 || code > 0xFFFF ? 0 : pages.code[page][code & 0xFF];
  if (c == 0) return 0;
  if (c < 0x100) {
    out[0] = static_cast<uint8_t>(c);
    return 1;
  }
  out[0] = static_cast<uint8_t>(c >> 8);
  out[1] = static_cast<uint8_t>(c);
  return 2;
}

size_t EncodeUtf8(uint32_t code, uint8_t* out) {
  if (code < 0x80) {
    out[0] = static_cast<uint8_t>(code);
    return 1;
  }
  if (code < 0x800) {
    out[0] = static_cast<uint8_t>(0xC0 | code >> 6);
    out[1] = static_cast<uint8_t>(0x80 | (code & 0x3F));
    return 2;
  }
  if (code < 0x10000) {
    out[0] = static_cast<uint8_t>(0xE0 | code >> 12);
    out[1] = static_cast<uint8_t>(0x80 | (code >> 6 & 0x3F));
    out[2] = static_cast<uint8_t>(0x80 | (code & 0x3F));
    return 3;
  }
  out[0] = static_cast<uint8_t>(0xF0 | code >> 18);
  out[1] = static_cast<uint8_t>(0x80 | (code >> 12 & 0x3F));
  out[2] = static_cast<uint8_t>(0x80 | (code >> 6 & 0x3F));
  out[3] = static_cast<uint8_t>(0x80 | (code & 0x3F));
  return 4;
}

Detection DetectEncoding(const uint8_t* data, size_t n, bool complete) {
  static constexpr uint8_t kBom[] = {0xEF, 0xBB, 0xBF};
  size_t same = 0;
  while (same < 3 && same < n && data[same] == kBom[same]) ++same;
  if (same == 3) return Detection::kUtf8;
  if (same == n && !complete) return Detection::kUndecided;  // perhaps a mark still coming

  size_t first = 0;
  while (first < n && first < kDetectAsciiLimit && data[first] < 0x80) ++first;
  if (first == n || first == kDetectAsciiLimit) {
    return complete || first == kDetectAsciiLimit ? Detection::kNoSign : Detection::kUndecided;
  }
  const size_t windowEnd = first + kDetectWindow;
  const uint8_t* const end = data + n;
  for (const uint8_t* p = data + first; p < end && p < data + windowEnd;) {
    const int length = Utf8Length(p, end);
    if (length == 0) return Detection::kShiftJis;
    if (length < 0) {
      // Cut off by what has been read so far: at the end of the text it is
      // broken; otherwise more bytes tell, unless the window is over.
      if (complete) return Detection::kShiftJis;
      return n >= windowEnd ? Detection::kUtf8 : Detection::kUndecided;
    }
    p += length;
  }
  return complete || n >= windowEnd ? Detection::kUtf8 : Detection::kUndecided;
}

}  // namespace qv
