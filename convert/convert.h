// The two conversions between full-width and half-width forms.
#pragma once

#include <cstddef>

#include "convert/options.h"
#include "convert/quote_marks.h"

namespace qv {

// Full-width to half-width, in place. Always true.
bool ConvertToHalf(const ConversionOptions& options, QuoteMarkList& marks, char* text);
// Bytes the half-width to full-width block needs for a text of n bytes; false
// when that size cannot be expressed.
bool FullBlockSize(size_t n, size_t* bytes);
// Half-width to full-width inside a block of FullBlockSize(n) bytes that holds
// the text (n bytes and its NUL) at index 0; the result starts at index 0.
// False only when no such block can exist.
bool ConvertToFullInBlock(const ConversionOptions& options, QuoteMarkList& marks, char* block, size_t n);
// Every half-width space becomes an underscore.
void ReplaceSpacesWithUnderbars(char* text);

}  // namespace qv
