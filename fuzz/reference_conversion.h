// The text as the engine's plain reference converts it, in a buffer of
// exactly the bytes the conversion may use: the oracle of the fuzz targets.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "convert/reference.h"
#include "fuzz/fuzz_check.h"

inline std::string ReferenceConversion(const qv::ConversionOptions& o, qv::QuoteMarkList& marks,
                                       const std::string& text, bool toHalf) {
  size_t bytes = text.size() + 1;
  QV_FUZZ_CHECK(toHalf || qv::FullBlockSize(text.size(), &bytes));
  std::vector<char> b(bytes, '\0');
  std::copy(text.begin(), text.end(), b.begin());
  QV_FUZZ_CHECK(toHalf ? qv::reference::ConvertToHalf(o, marks, b.data())
                       : qv::reference::ConvertToFullInBlock(o, marks, b.data(), text.size()));
  return b.data();
}
