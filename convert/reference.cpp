// The straightforward conversion, one character per step: the production
// code in convert.cpp and text_converter.cpp must give the same bytes. Kept
// for the differential tests and the benchmarks.
#include "convert/reference.h"

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "convert/convert.h"
#include "convert/sjis.h"
#include "convert/tables.h"

namespace qv::reference {
namespace {

struct Maps {
  // Pairs to half-width: by lead byte 0x81..0x83 and trail byte, the byte and
  // the sound mark after it.
  uint8_t half[3][256] = {};
  uint8_t mark[3][256] = {};
  // Single bytes to full-width (lead << 8 | trail), and the marks each
  // full-width kana takes ('+': both).
  uint16_t full[256] = {};
  uint8_t joinMap[256] = {};
  uint8_t joinLead = 0;  // lead byte of the kana that take marks, 0 when none

  explicit Maps(const ConversionOptions& o) {
    const bool half = o.ExchangeZenHan == 1 && o.Normalize == 0;
    const bool full = o.ExchangeZenHan == 0 && o.Normalize == 0;
    // Normalize: what is ASCII goes to half-width, what is kana to full-width.
    const bool ascii = half || o.Normalize != 0;
    const bool kana = full || o.Normalize != 0;
    if (ascii) {
      if (o.ProcessAlphabet) BuildHalfMap(this->half[1], AlphabetTable);
      if (o.ProcessNumber) BuildHalfMap(this->half[1], NumberTable);
      if (o.ProcessSpace) BuildHalfMap(this->half[0], SpaceTable);
      if (o.ProcessPunct) BuildHalfMap(this->half[0], PunctTable);
      if (o.ProcessImpossibleReverse) BuildHalfMap(this->half[0], ImpossibleReverseTable);
    }
    if (half) {
      if (o.ProcessJPPunct) BuildHalfMap(this->half[0], JPPunctTable);
      if (o.ProcessKatakana) {
        BuildHalfMap(this->half[2], KatakanaTable);
        BuildHalfMap(mark[2], KatakanaVoicedTable);
      }
      if (o.TransformHiraToKana) {
        BuildHalfMap(this->half[1], HiraganaTable);
        BuildHalfMap(mark[1], HiraganaVoicedTable);
      }
    }
    if (full) {
      if (o.ProcessAlphabet) BuildFullMap(this->full, AlphabetTable);
      if (o.ProcessNumber) BuildFullMap(this->full, NumberTable);
      if (o.ProcessSpace) BuildFullMap(this->full, SpaceTable);
      if (o.ProcessPunct) BuildFullMap(this->full, PunctTable);
    }
    if (kana) {
      if (o.ProcessJPPunct) BuildFullMap(this->full, JPPunctTable);
      if (o.ProcessKatakana) {
        BuildFullMap(this->full, o.TransformHiraToKana ? HiraganaTable : KatakanaTable);
        if (!o.NoConnectVoiced) {
          BuildHalfMap(joinMap, o.TransformHiraToKana ? HiraganaJoinTable : KatakanaJoinTable);
          joinLead = o.TransformHiraToKana ? 0x82 : 0x83;
        }
      }
    }
  }
};

// The other kana of a pair where code page 932 has it: katakana ァ..ン and
// ヽヾ against hiragana ぁ..ん and ゝゞ.
uint16_t KanaCase(const ConversionOptions& o, uint16_t pair) {
  const auto lead = static_cast<uint8_t>(pair >> 8);
  const auto trail = static_cast<uint8_t>(pair);
  if (o.ToHiragana) {
    if (lead == 0x83 && trail >= 0x40 && trail <= 0x93) return 0x8200 | (trail + (trail < 0x80 ? 0x5F : 0x5E));
    if (pair == 0x8152 || pair == 0x8153) return pair + 2;  // ヽヾ
  }
  if (o.ToKatakana) {
    if (lead == 0x82 && trail >= 0x9F && trail <= 0xF1) return 0x8300 | (trail - (trail < 0xDE ? 0x5F : 0x5E));
    if (pair == 0x8154 || pair == 0x8155) return pair - 2;  // ゝゞ
  }
  return pair;
}

}  // namespace

bool Convert(const ConversionOptions& o, QuoteMarkList& marks, std::string_view keep, char* block, size_t n) {
  size_t bytes = 0;
  if (!qv::FullBlockSize(n, &bytes)) return false;
  auto* b = reinterpret_cast<uint8_t*>(block);
  std::memmove(b + n + 2, b, n + 1);
  const Maps maps(o);

  // The characters to keep: pairs as lead << 8 | trail, single bytes as they are.
  std::set<unsigned> kept;
  const auto* k = reinterpret_cast<const uint8_t*>(keep.data());
  for (size_t i = 0; i < keep.size(); ++i) {
    const bool pair = i + 1 < keep.size() && sjis::IsLead(k[i]) && sjis::IsTrail(k[i + 1]);
    kept.insert(pair ? static_cast<unsigned>(k[i]) << 8 | k[i + 1] : k[i]);
    if (pair) ++i;
  }

  auto readPos = static_cast<uint32_t>(n + 2);
  const auto end = static_cast<uint32_t>(2 * n + 2);
  uint32_t writePos = 0;
  int32_t lineExamined = 0;
  const auto put = [&](uint16_t pair) {
    pair = KanaCase(o, pair);
    b[writePos] = static_cast<uint8_t>(pair >> 8);
    b[writePos + 1] = static_cast<uint8_t>(pair);
    writePos += 2;
  };
  while (readPos < end) {
    if (!o.ProcessQuotedLine && !SkipQuotedLines(marks, block, readPos, writePos, lineExamined)) break;
    const uint8_t c = b[readPos];
    const uint8_t d = b[readPos + 1];
    if (sjis::IsLead(c) && sjis::IsTrail(d)) {
      readPos += 2;
      const uint8_t h = c >= 0x81 && c <= 0x83 ? maps.half[c - 0x81][d] : 0;
      if (kept.count(static_cast<unsigned>(c) << 8 | d) != 0) {
        b[writePos++] = c;
        b[writePos++] = d;
      } else if (h != 0) {
        b[writePos++] = h;
        if (const uint8_t m = maps.mark[c - 0x81][d]; m != 0) b[writePos++] = m;
      } else {
        put(static_cast<uint16_t>(c << 8 | d));
      }
      continue;
    }
    ++readPos;
    const uint16_t full = maps.full[c];
    if (full == 0 || kept.count(c) != 0) {
      b[writePos++] = c;
      continue;
    }
    const auto lead = static_cast<uint8_t>(full >> 8);
    auto trail = static_cast<uint8_t>(full & 0xFF);
    if ((d == 0xDE || d == 0xDF) && kept.count(d) == 0 && maps.joinLead != 0 && lead == maps.joinLead &&
        (maps.joinMap[trail] == d || maps.joinMap[trail] == '+')) {
      trail = trail == 0x45 ? 0x94 : static_cast<uint8_t>(trail + (d == 0xDE ? 1 : 2));
      ++readPos;
    }
    put(static_cast<uint16_t>(lead << 8 | trail));
  }
  b[writePos] = 0;
  return true;
}

bool ConvertToHalf(const ConversionOptions& options, QuoteMarkList& marks, char* text) {
  const size_t n = std::strlen(text);
  size_t bytes = 0;
  if (!qv::FullBlockSize(n, &bytes)) return false;
  std::vector<char> block(bytes);
  std::memcpy(block.data(), text, n + 1);
  ConversionOptions o = options;
  o.ExchangeZenHan = 1;
  Convert(o, marks, {}, block.data(), n);
  std::memcpy(text, block.data(), std::strlen(block.data()) + 1);  // never longer than the text
  return true;
}

bool ConvertToFullInBlock(const ConversionOptions& options, QuoteMarkList& marks, char* block, size_t n) {
  ConversionOptions o = options;
  o.ExchangeZenHan = 0;
  return Convert(o, marks, {}, block, n);
}

}  // namespace qv::reference
