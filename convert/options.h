// The conversion direction and the eleven option flags, named after their
// keys in the settings file. Each flag holds 0 or 1.
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

  friend bool operator==(const ConversionOptions&, const ConversionOptions&) = default;
};

}  // namespace qv
