// INI profile functions for builds without Win32, with the Windows behaviour
// the tool relies on: section and key names match without regard to case,
// values are trimmed (and a pair of enclosing quotes removed), a missing file,
// section or key yields the default, the integer reading takes the leading
// decimal digits, and a write changes one line and keeps everything else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv::portable {

uint32_t IniGetString(const char* section, const char* key, const char* defaultValue, char* buffer, uint32_t size,
                      const char* file);
uint32_t IniGetInt(const char* section, const char* key, int32_t defaultValue, const char* file);
// The value of `key` in `section` of an INI file's contents, as IniGetString
// finds it; nothing when the section or key is missing.
std::optional<std::string> IniLookup(const std::string& data, std::string_view section, std::string_view key);
bool IniWriteString(const char* section, const char* key, const char* value, const char* file);

}  // namespace qv::portable
