// What the conversions know about full-width and half-width forms: twelve
// constant tables of 3-byte records (lead byte, trail byte of the full-width
// character, and its paired single byte), each a zero-terminated byte string.
// Record order matters: the half-width to full-width builder keeps the first
// record it meets for a half-width byte, so a plain kana precedes its voiced
// and semi-voiced forms.
#pragma once

#include <cstdint>

#include "convert/options.h"

namespace qv {

struct CharRecord {
  uint8_t lead;
  uint8_t trail;
  uint8_t paired;
};

// Conversion tables: byte 2 is the half-width form.
extern const char AlphabetTable[];           // Ａ..Ｚ ａ..ｚ, 52 records
extern const char NumberTable[];             // ０..９, 10
extern const char SpaceTable[];              // the ideographic space, 1
extern const char PunctTable[];              // ASCII punctuation, 32
extern const char JPPunctTable[];            // 「」。、・ー゛゜, 8
extern const char KatakanaTable[];           // 81, ヴ last
extern const char HiraganaTable[];           // 80
extern const char ImpossibleReverseTable[];  // “ to ", 1
// Voiced tables: byte 2 is the mark that follows the half-width base.
extern const char KatakanaVoicedTable[];  // 26
extern const char HiraganaVoicedTable[];  // 25
// Join tables: byte 2 is 0xDE (takes ﾞ) or '+' (takes ﾞ and ﾟ).
extern const char KatakanaJoinTable[];  // 21
extern const char HiraganaJoinTable[];  // 20

// The lookup arrays of one conversion, from the tables its options select:
// the pairs that go to half-width (by lead byte 0x81..0x83 and trail byte:
// the byte, and the sound mark a voiced kana leaves behind), the single bytes
// that go to full-width (lead << 8 | trail), and the marks each full-width
// kana of lead byte joinLead takes (0xDE: ﾞ, '+': ﾞ and ﾟ). With Normalize,
// letters, digits, space and ASCII punctuation go one way and katakana and
// Japanese punctuation the other.
struct WidthMaps {
  uint8_t half[3][256] = {};
  uint8_t mark[3][256] = {};
  uint16_t full[256] = {};
  uint8_t joinMap[256] = {};
  uint8_t joinLead = 0;  // 0: no kana takes a mark

  explicit WidthMaps(const ConversionOptions& o);
};

// For each record, map[trail] = paired (a later record overwrites).
void BuildHalfMap(uint8_t (&map)[256], const char* table);
// For each record, map[paired] = lead << 8 | trail unless already set.
void BuildFullMap(uint16_t (&map)[256], const char* table);

}  // namespace qv
