// The tool's own INI file beside its executable: section "Option", twelve
// keys holding "1" or "0".
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "convert/options.h"

namespace qv {

inline constexpr uint32_t kSettingsPathSize = 260;
inline constexpr char kSettingsSection[] = "Option";

// One key of the settings file, the flag it holds and the dialog control that
// shows it (for ExchangeZenHan the radio button of the value 1).
struct SettingsKey {
  const char* name;
  uint8_t ConversionOptions::*flag;
  int controlId;
};

// In the order in which the keys are read and written.
inline constexpr std::array<SettingsKey, 12> kSettingsKeys = {{
    {"ExchangeZenHan", &ConversionOptions::ExchangeZenHan, 1001},
    {"ProcessAlphabet", &ConversionOptions::ProcessAlphabet, 1003},
    {"ProcessNumber", &ConversionOptions::ProcessNumber, 1006},
    {"ProcessSpace", &ConversionOptions::ProcessSpace, 1004},
    {"ProcessPunct", &ConversionOptions::ProcessPunct, 1007},
    {"ProcessJPPunct", &ConversionOptions::ProcessJPPunct, 1005},
    {"ProcessKatakana", &ConversionOptions::ProcessKatakana, 1008},
    {"ProcessQuotedLine", &ConversionOptions::ProcessQuotedLine, 1009},
    {"ReplaceSpaceToUnderbar", &ConversionOptions::ReplaceSpaceToUnderbar, 1010},
    {"ProcessImpossibleReverse", &ConversionOptions::ProcessImpossibleReverse, 1011},
    {"TransformHiraToKana", &ConversionOptions::TransformHiraToKana, 1012},
    {"NoConnectVoiced", &ConversionOptions::NoConnectVoiced, 1013},
}};

// The eleven option boxes: every key but the direction.
inline constexpr std::span<const SettingsKey> OptionBoxKeys() { return std::span(kSettingsKeys).subspan(1); }

// Fills `path` with the executable's own path whose last three characters are
// replaced by "ini". When the path cannot be had whole (failure, truncation,
// fewer than three characters) `path` is left empty and false is returned:
// the settings are then neither read nor written.
bool BuildSettingsPath(std::span<char, kSettingsPathSize> path);

// Reads the twelve keys; a missing file or key keeps the value `options`
// holds. Any non-zero integer reading counts as 1. Nothing happens for an
// empty path.
void LoadSettings(const char* path, ConversionOptions& options);

// Writes all twelve keys in order as "1"/"0", each even after one failed.
// False when any key could not be stored. Nothing happens (true) for an
// empty path.
bool SaveSettings(const char* path, const ConversionOptions& options);

}  // namespace qv
