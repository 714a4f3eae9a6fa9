// The straightforward conversion that the fast ones are checked against.
#pragma once

#include <cstddef>
#include <string_view>

#include "convert/options.h"
#include "convert/quote_marks.h"

namespace qv::reference {

// Any conversion the options describe (either direction or Normalize, the
// kana case), leaving the characters of `keep` (Shift_JIS) alone, inside a
// block of FullBlockSize(n) bytes that holds the text at index 0.
bool Convert(const ConversionOptions& o, QuoteMarkList& marks, std::string_view keep, char* block, size_t n);
// The two directions in the buffers the fast entries take.
bool ConvertToHalf(const ConversionOptions& options, QuoteMarkList& marks, char* text);
bool ConvertToFullInBlock(const ConversionOptions& options, QuoteMarkList& marks, char* block, size_t n);

}  // namespace qv::reference
