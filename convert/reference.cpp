// The straightforward conversions, one step per byte exactly as the loops
// are written down; the production code in convert.cpp must give the same
// bytes. Kept for the differential tests and the benchmarks.
#include "convert/reference.h"

#include <cstdint>
#include <cstring>

#include "convert/convert.h"
#include "convert/sjis.h"
#include "convert/tables.h"

namespace qv::reference {
namespace {

// The five arrays of the full-width to half-width direction, by lead byte.
struct HalfMaps {
  uint8_t half81[256] = {};
  uint8_t half82[256] = {};
  uint8_t mark82[256] = {};
  uint8_t half83[256] = {};
  uint8_t mark83[256] = {};

  explicit HalfMaps(const ConversionOptions& o) {
    if (o.ProcessAlphabet) BuildHalfMap(half82, AlphabetTable);
    if (o.ProcessNumber) BuildHalfMap(half82, NumberTable);
    if (o.ProcessSpace) BuildHalfMap(half81, SpaceTable);
    if (o.ProcessPunct) BuildHalfMap(half81, PunctTable);
    if (o.ProcessJPPunct) BuildHalfMap(half81, JPPunctTable);
    if (o.ProcessKatakana) {
      BuildHalfMap(half83, KatakanaTable);
      BuildHalfMap(mark83, KatakanaVoicedTable);
    }
    if (o.ProcessImpossibleReverse) BuildHalfMap(half81, ImpossibleReverseTable);
    if (o.TransformHiraToKana) {
      BuildHalfMap(half82, HiraganaTable);
      BuildHalfMap(mark82, HiraganaVoicedTable);
    }
  }

  // Writes the half-width form of lead+trail at out; the number of bytes (0: none).
  int Map(uint8_t lead, uint8_t trail, uint8_t* out) const {
    const uint8_t* half = lead == 0x81 ? half81 : lead == 0x82 ? half82 : lead == 0x83 ? half83 : nullptr;
    const uint8_t* mark = lead == 0x82 ? mark82 : lead == 0x83 ? mark83 : nullptr;
    if (half == nullptr || half[trail] == 0) return 0;
    out[0] = half[trail];
    if (mark == nullptr || mark[trail] == 0) return 1;
    out[1] = mark[trail];
    return 2;
  }
};

}  // namespace

bool ConvertToHalf(const ConversionOptions& options, QuoteMarkList& marks, char* text) {
  const HalfMaps maps(options);
  auto* t = reinterpret_cast<uint8_t*>(text);
  const size_t length = std::strlen(text);
  if (length >= UINT32_MAX) return false;  // beyond the 32-bit positions
  const auto n = static_cast<uint32_t>(length);
  uint32_t readPos = 0;
  uint32_t writePos = 0;
  int32_t lineExamined = 0;
  uint8_t pending = 0;  // a lead byte read but not yet written
  while (readPos < n) {
    if (!options.ProcessQuotedLine) {
      // A lead byte never pairs across a line break: it goes out alone, in place.
      if (pending != 0 && sjis::IsLineBreak(t[readPos])) {
        t[writePos++] = pending;
        pending = 0;
      }
      if (!SkipQuotedLines(marks, text, readPos, writePos, lineExamined)) break;
    }
    const uint8_t c = t[readPos];
    if (pending == 0) {
      if (sjis::IsLead(c)) {
        pending = c;
      } else {
        t[writePos++] = c;
      }
    } else {
      const int written = maps.Map(pending, c, t + writePos);
      if (written == 0) {
        t[writePos] = pending;
        t[writePos + 1] = c;
        writePos += 2;
      } else {
        writePos += static_cast<uint32_t>(written);
      }
      pending = 0;
    }
    ++readPos;
  }
  if (pending != 0) t[writePos++] = pending;
  t[writePos] = 0;
  return true;
}

bool ConvertToFullInBlock(const ConversionOptions& o, QuoteMarkList& marks, char* block, size_t n) {
  size_t bytes = 0;
  if (!qv::FullBlockSize(n, &bytes)) return false;
  auto* b = reinterpret_cast<uint8_t*>(block);
  std::memmove(b + n + 2, b, n + 1);

  uint16_t fullMap[256] = {};
  uint8_t joinMap[256] = {};
  uint8_t joinLead = 0;  // lead byte of the kana that take marks, 0 when none
  if (o.ProcessAlphabet) BuildFullMap(fullMap, AlphabetTable);
  if (o.ProcessNumber) BuildFullMap(fullMap, NumberTable);
  if (o.ProcessSpace) BuildFullMap(fullMap, SpaceTable);
  if (o.ProcessPunct) BuildFullMap(fullMap, PunctTable);
  if (o.ProcessJPPunct) BuildFullMap(fullMap, JPPunctTable);
  if (o.ProcessKatakana) {
    BuildFullMap(fullMap, o.TransformHiraToKana ? HiraganaTable : KatakanaTable);
    if (!o.NoConnectVoiced) {
      BuildHalfMap(joinMap, o.TransformHiraToKana ? HiraganaJoinTable : KatakanaJoinTable);
      joinLead = o.TransformHiraToKana ? 0x82 : 0x83;
    }
  }

  auto readPos = static_cast<uint32_t>(n + 2);
  const auto end = static_cast<uint32_t>(2 * n + 2);
  uint32_t writePos = 0;
  int32_t lineExamined = 0;
  while (readPos < end) {
    if (!o.ProcessQuotedLine && !SkipQuotedLines(marks, block, readPos, writePos, lineExamined)) break;
    const uint8_t c = b[readPos];
    const uint8_t d = b[readPos + 1];
    if (sjis::IsLead(c) && sjis::IsTrail(d)) {
      b[writePos] = c;
      b[writePos + 1] = d;
      writePos += 2;
      readPos += 2;
      continue;
    }
    const uint16_t full = fullMap[c];
    if (full == 0) {
      b[writePos++] = c;
      ++readPos;
      continue;
    }
    const auto lead = static_cast<uint8_t>(full >> 8);
    auto trail = static_cast<uint8_t>(full & 0xFF);
    uint32_t consumed = 1;
    if ((d == 0xDE || d == 0xDF) && joinLead != 0 && lead == joinLead &&
        (joinMap[trail] == d || joinMap[trail] == '+')) {
      trail = trail == 0x45 ? 0x94 : static_cast<uint8_t>(trail + (d == 0xDE ? 1 : 2));
      consumed = 2;
    }
    b[writePos] = lead;
    b[writePos + 1] = trail;
    writePos += 2;
    readPos += consumed;
  }
  b[writePos] = 0;
  return true;
}

}  // namespace qv::reference
