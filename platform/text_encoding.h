// Conversion between code page 932 and UTF-8. Strict: a byte sequence that
// has no character on the other side is an error, never replaced.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// False, with the offset in `in` of the first byte that cannot be converted.
bool Cp932ToUtf8(std::string_view in, std::string& out, size_t* errorOffset);
bool Utf8ToCp932(std::string_view in, std::string& out, size_t* errorOffset);

// For messages only: what cannot be converted shows as U+FFFD.
std::string Cp932ToUtf8Lossy(std::string_view in);

}  // namespace qv
