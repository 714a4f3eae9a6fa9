#include "dialog/settings_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "convert/sjis.h"
#include "convert/encoding.h"
#include "platform/platform.h"

namespace qv {

bool BuildSettingsPath(std::span<char, kSettingsPathSize> path) {
  path[0] = '\0';
  const uint32_t n = Sys().GetModuleFileNameA(Sys().GetModuleHandleA(nullptr), path.data(), kSettingsPathSize);
  // n == size means the path was cut short; an "ini" beside a cut path would
  // be some other file. Older systems do not terminate a cut path either.
  if (n < 3 || n >= kSettingsPathSize || std::memchr(path.data(), '\0', n) != nullptr) {
    path[0] = '\0';
    return false;
  }
  std::memcpy(path.data() + n - 3, "ini", 4);
  return true;
}

void LoadSettings(const char* path, ConversionOptions& options) {
  if (path == nullptr || path[0] == '\0') return;
  for (const OptionEntry& key : kSettingsOptions) {
    uint8_t& flag = options.*key.member;
    flag = Sys().GetPrivateProfileIntA(kSettingsSection, key.key, flag != 0 ? 1 : 0, path) != 0 ? 1 : 0;
  }
}

bool SaveSettings(const char* path, const ConversionOptions& options) {
  if (path == nullptr || path[0] == '\0') return false;
  bool stored = true;
  for (const OptionEntry& key : kSettingsOptions) {
    stored &= Sys().WritePrivateProfileStringA(kSettingsSection, key.key, options.*key.member != 0 ? "1" : "0", path);
  }
  return stored;
}

void DescribeSettingsPath(const char* path, std::span<char, kSettingsPathSize + 3> out) {
  if (path != nullptr && path[0] != '\0') {
    std::snprintf(out.data(), out.size(), "%s", path);
    return;
  }
  const uint32_t n = Sys().GetModuleFileNameA(Sys().GetModuleHandleA(nullptr), out.data(), kSettingsPathSize);
  const size_t reported = strnlen(out.data(), std::min<size_t>(n, kSettingsPathSize - 1));
  // A lead byte whose trail byte was cut off would show as a stray character.
  size_t end = 0;
  for (size_t step = 1; end < reported; end += step) {
    step = sjis::IsLead(static_cast<uint8_t>(out[end])) ? 2 : 1;
    if (end + step > reported) break;
  }
  std::memcpy(out.data() + end, end < n ? "..." : "", end < n ? 4 : 1);
}

KeepCharsRead ReadKeepChars(const char* path, std::span<char, kKeepCharsSize> keep) {
  keep[0] = '\0';
  if (path[0] == '\0') return KeepCharsRead::kNone;
  // A default no value can be: it tells a missing key from an empty one.
  constexpr char kMissing[] = "\x01";
  const uint32_t n = Sys().GetPrivateProfileStringA(kSettingsSection, kKeepCharsKey, kMissing, keep.data(),
                                                   kKeepCharsSize, path);
  if (n == 1 && keep[0] == kMissing[0]) {
    keep[0] = '\0';
    return KeepCharsRead::kNone;
  }
  if (n == 0) return KeepCharsRead::kEmpty;
  if (n >= kKeepCharsSize - 1 || !IsWellFormed(Encoding::kShiftJis, reinterpret_cast<const uint8_t*>(keep.data()), n)) {
    return KeepCharsRead::kBroken;  // the run ends: nothing reads `keep`
  }
  return KeepCharsRead::kRead;
}

}  // namespace qv
