// The conversion direction and the eleven option flags, named after their
// keys in the settings file, and the switches that have no key. Each flag
// holds 0 or 1.
#pragma once

#include <cstdint>

namespace qv {

struct ConversionOptions {
  uint8_t ExchangeZenHan = 1;  // 1: full-width to half-width, 0: half-width to full-width
  uint8_t ProcessAlphabet = 1;
  uint8_t ProcessNumber = 0;
  uint8_t ProcessSpace = 0;
  uint8_t ProcessPunct = 0;
  uint8_t ProcessJPPunct = 0;
  uint8_t ProcessKatakana = 0;
  uint8_t ProcessQuotedLine = 0;
  uint8_t ReplaceSpaceToUnderbar = 0;
  uint8_t ProcessImpossibleReverse = 0;
  uint8_t TransformHiraToKana = 0;
  uint8_t NoConnectVoiced = 0;
  // Switches only. Normalize overrides the direction: letters, digits, space
  // and ASCII punctuation go to half-width, katakana and Japanese punctuation
  // to full-width. After the width conversion full-width katakana become
  // hiragana (ToHiragana) or hiragana full-width katakana (ToKatakana); at
  // most one of the two is set.
  uint8_t Normalize = 0;
  uint8_t ToHiragana = 0;
  uint8_t ToKatakana = 0;

  friend bool operator==(const ConversionOptions&, const ConversionOptions&) = default;
};

}  // namespace qv
