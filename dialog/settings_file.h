// The tool's own INI file beside its executable: section "Option", twelve
// keys holding "1" or "0".
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "context/run_context.h"
#include "convert/option_table.h"
#include "convert/options.h"

namespace qv {

inline constexpr uint32_t kSettingsPathSize = win::kMaxPath;
inline constexpr char kSettingsSection[] = "Option";

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
// False when any key could not be stored, and for an empty path, with which
// nothing can be.
bool SaveSettings(const char* path, const ConversionOptions& options);

// The characters no conversion touches, key "KeepChars" of section "Option",
// read on every run; the dialog leaves the key as it is.
inline constexpr char kKeepCharsKey[] = "KeepChars";
enum class KeepCharsRead : uint8_t {
  kNone,    // no file, no key (or no settings path): nothing to keep
  kRead,    // `keep` holds the characters
  kEmpty,   // the key is there without a character
  kBroken,  // not Shift_JIS throughout, or longer than the buffer
};
// `path` "": the settings path could not be built.
KeepCharsRead ReadKeepChars(const char* path, std::span<char, kKeepCharsSize> keep);

// What a message can name of the settings file: `path` or, where it could
// not be built, as much of the executable's path as the platform reports
// (when cut short, ending in "..." and never inside a two-byte character);
// empty when nothing is known.
void DescribeSettingsPath(const char* path, std::span<char, kSettingsPathSize + 3> out);

}  // namespace qv
