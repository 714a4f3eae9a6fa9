// Code page 932 conversions through the Win32 code page functions.
#include <windows.h>

#include "convert/sjis.h"
#include "platform/text_encoding.h"

namespace qv {
namespace {

constexpr UINT kCp932 = 932;

// Length in bytes of the character that starts `in` in the given encoding
// (for locating the first byte that does not convert).
size_t CharLength(UINT codePage, std::string_view in) {
  const auto b = static_cast<unsigned char>(in[0]);
  if (codePage == kCp932) {
    return sjis::IsLead(b) && in.size() >= 2 ? 2 : 1;
  }
  size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  return n <= in.size() ? n : in.size();
}

bool ToWide(UINT codePage, std::string_view in, std::wstring& out) {
  out.clear();
  if (in.empty()) return true;
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), nullptr, 0);
  if (n <= 0) return false;
  out.resize(static_cast<size_t>(n));
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), out.data(), n) == n;
}

bool FromWide(UINT codePage, const std::wstring& in, std::string& out) {
  out.clear();
  if (in.empty()) return true;
  BOOL usedDefault = FALSE;
  const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL* used = codePage == CP_UTF8 ? nullptr : &usedDefault;
  const int n = WideCharToMultiByte(codePage, flags, in.data(), static_cast<int>(in.size()), nullptr, 0, nullptr, used);
  if (n <= 0 || usedDefault) return false;
  out.resize(static_cast<size_t>(n));
  return WideCharToMultiByte(codePage, flags, in.data(), static_cast<int>(in.size()), out.data(), n, nullptr, used) == n &&
         !usedDefault;
}

// Into code page 932 a character counts only when its bytes read back as the
// same character: no best fit, and no one-way mapping slips through.
bool ConvertWhole(UINT from, UINT to, std::string_view in, std::string& out) {
  std::wstring wide, back;
  if (!ToWide(from, in, wide) || !FromWide(to, wide, out)) return false;
  return to != kCp932 || (ToWide(to, out, back) && back == wide);
}

bool Convert(UINT from, UINT to, std::string_view in, std::string& out, size_t* errorOffset) {
  if (in.size() > 0x3FFFFFFF) {
    if (errorOffset != nullptr) *errorOffset = 0;
    return false;
  }
  if (ConvertWhole(from, to, in, out)) return true;
  // Find the first character that does not convert.
  size_t pos = 0;
  std::string piece;
  while (pos < in.size()) {
    const size_t n = CharLength(from, in.substr(pos));
    if (!ConvertWhole(from, to, in.substr(pos, n), piece)) break;
    pos += n;
  }
  if (errorOffset != nullptr) *errorOffset = pos;
  out.clear();
  return false;
}

}  // namespace

bool Cp932ToUtf8(std::string_view in, std::string& out, size_t* errorOffset) {
  return Convert(kCp932, CP_UTF8, in, out, errorOffset);
}

bool Utf8ToCp932(std::string_view in, std::string& out, size_t* errorOffset) {
  return Convert(CP_UTF8, kCp932, in, out, errorOffset);
}

std::string Cp932ToUtf8Lossy(std::string_view in) {
  std::wstring wide;
  if (!in.empty()) {
    const int n = MultiByteToWideChar(kCp932, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
    if (n > 0) {
      wide.resize(static_cast<size_t>(n));
      MultiByteToWideChar(kCp932, 0, in.data(), static_cast<int>(in.size()), wide.data(), n);
    }
  }
  std::string out;
  if (!wide.empty()) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    out.resize(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  }
  return out;
}

}  // namespace qv
