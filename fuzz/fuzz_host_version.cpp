// Version-string packing on arbitrary FileVersion texts, against a model of
// the a.b.c.d reading.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "host/discovery.h"

namespace {

// atoi's reading, kept to the low 8 bits of the true value.
uint32_t LowByte(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  uint32_t low = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) low = (low * 10 + static_cast<uint32_t>(s[i] - '0')) % 256;
  return negative ? (256 - low) % 256 : low;
}

// The next part: after the first dot found from the part's second character.
std::string_view Next(std::string_view part) {
  if (part.empty()) return "0";
  const size_t dot = part.find('.', 1);
  return dot == std::string_view::npos ? std::string_view("0") : part.substr(dot + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
  const uint32_t packed = qv::PackHostVersion(text.c_str());
  uint32_t want = 0;
  std::string_view part = text;  // an empty text reads as 0.0.0.0
  for (int shift = 24; shift >= 0; shift -= 8, part = Next(part)) want |= LowByte(part) << shift;
  QV_FUZZ_CHECK(packed == want && qv::PackHostVersion(nullptr) == 0);

  // The file name starts at a character boundary, right after a backslash.
  const size_t start = qv::FileNameStart(text);
  QV_FUZZ_CHECK(start <= text.size() && (start == 0 || text[start - 1] == '\\'));
  return 0;
}
