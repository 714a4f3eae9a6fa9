// Code page 932 conversions through the C library's iconv.
#include <errno.h>
#include <iconv.h>

#include <algorithm>

#include "platform/text_encoding.h"

namespace qv {
namespace {

bool Convert(const char* to, const char* from, std::string_view in, std::string& out, size_t* errorOffset) {
  out.clear();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (errorOffset != nullptr) *errorOffset = 0;
    return false;
  }
  out.resize(in.size() * 3 / 2 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  size_t produced = 0;
  bool ok = true;
  while (srcLeft > 0) {
    char* dst = out.data() + produced;
    size_t dstLeft = out.size() - produced;
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    produced = out.size() - dstLeft;
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    ok = false;  // EILSEQ, or EINVAL for a sequence cut off at the end
    break;
  }
  iconv_close(cd);
  if (!ok) {
    if (errorOffset != nullptr) *errorOffset = in.size() - srcLeft;
    out.clear();
    return false;
  }
  out.resize(produced);
  return true;
}

}  // namespace

bool Cp932ToUtf8(std::string_view in, std::string& out, size_t* errorOffset) {
  return Convert("UTF-8", "CP932", in, out, errorOffset);
}

// glibc's CP932 takes some characters one way only (U+00A5 to 0x5C, U+301C
// to the bytes of U+FF5E, ...): a character counts only when its bytes read
// back as the same character, so nothing is replaced silently.
bool Utf8ToCp932(std::string_view in, std::string& out, size_t* errorOffset) {
  if (!Convert("CP932", "UTF-8", in, out, errorOffset)) return false;
  std::string back;
  if (Convert("UTF-8", "CP932", out, back, nullptr) && back == in) return true;
  // Up to the first character that came back otherwise, everything matched;
  // the input is valid UTF-8 here, so its start is the lead byte at or before
  // the first difference.
  size_t at = std::mismatch(in.begin(), in.end(), back.begin(), back.end()).first - in.begin();
  while (at > 0 && at < in.size() && (static_cast<unsigned char>(in[at]) & 0xC0) == 0x80) --at;
  if (errorOffset != nullptr) *errorOffset = at;
  out.clear();
  return false;
}

std::string Cp932ToUtf8Lossy(std::string_view in) {
  std::string result, piece;
  while (!in.empty()) {
    size_t bad = 0;
    if (Cp932ToUtf8(in, piece, &bad)) {
      result += piece;
      break;
    }
    std::string good;
    Cp932ToUtf8(in.substr(0, bad), good, nullptr);
    result += good;
    result += "\xEF\xBF\xBD";
    in.remove_prefix(bad + 1);
  }
  return result;
}

}  // namespace qv
