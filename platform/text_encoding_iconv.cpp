// Code page 932 conversions through the C library's iconv.
#include <errno.h>
#include <iconv.h>

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

bool Utf8ToCp932(std::string_view in, std::string& out, size_t* errorOffset) {
  return Convert("CP932", "UTF-8", in, out, errorOffset);
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
