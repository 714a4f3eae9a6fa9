// The straightforward conversions that the fast ones are checked against.
#pragma once

#include <cstddef>

#include "convert/options.h"
#include "convert/quote_marks.h"

namespace qv::reference {

bool ConvertToHalf(const ConversionOptions& options, QuoteMarkList& marks, char* text);
bool ConvertToFullInBlock(const ConversionOptions& options, QuoteMarkList& marks, char* block, size_t n);

}  // namespace qv::reference
