// The two conversions between full-width and half-width forms.
#pragma once

#include <cstddef>
#include <string_view>

#include "convert/options.h"
#include "convert/quote_marks.h"

namespace qv {

// Full-width to half-width, in place. False (text untouched) only for a text
// too long for 32-bit positions, and with Normalize (which may make a text
// longer: it converts in a block).
bool ConvertToHalf(const ConversionOptions& options, QuoteMarkList& marks, char* text);
// The same over data[0, n) where each NUL ends one text and the next starts on
// a fresh line; data[n] must be 0. NULs pass through; the output length goes
// to *produced and a NUL follows it.
bool ConvertTextsToHalf(const ConversionOptions& options, QuoteMarkList& marks, char* data, size_t n,
                        size_t* produced);
// Bytes the half-width to full-width block needs for a text of n bytes; false
// when that size cannot be expressed.
bool FullBlockSize(size_t n, size_t* bytes);
// Half-width to full-width, or Normalize, inside a block of FullBlockSize(n)
// bytes that holds the text (n bytes and its NUL) at index 0; the result
// starts at index 0. The kana case is not done here (TextConverter does it).
// False only when no such block can exist. Only the first 2n + 3 bytes are
// touched.
bool ConvertToFullInBlock(const ConversionOptions& options, QuoteMarkList& marks, char* block, size_t n);
// The same over block[0, n) holding NUL-separated texts (see ConvertTextsToHalf).
bool ConvertTextsToFullInBlock(const ConversionOptions& options, QuoteMarkList& marks, char* block, size_t n,
                               size_t* produced);
// Whether ReplaceSpaceToUnderbar applies: a half-width space among the
// characters to keep stays a space.
inline bool ReplacesSpaces(const ConversionOptions& options, std::string_view keep) {
  return options.ReplaceSpaceToUnderbar != 0 && keep.find(' ') == std::string_view::npos;
}
// Whether the loops here do all the options ask (the kana case and a keep
// list are TextConverter's), and whether in place (Normalize may make the
// text longer).
inline bool FastLoopsCover(const ConversionOptions& options, std::string_view keep) {
  return options.ToHiragana == 0 && options.ToKatakana == 0 && keep.empty();
}
inline bool ConvertsInPlace(const ConversionOptions& options) {
  return options.ExchangeZenHan == 1 && options.Normalize == 0;
}
// Every half-width space becomes an underscore.
void ReplaceSpacesWithUnderbars(char* text);
void ReplaceSpacesWithUnderbars(char* data, size_t n);

}  // namespace qv
