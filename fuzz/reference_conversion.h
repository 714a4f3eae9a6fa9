// The text as the engine's plain reference converts it: the oracle of the
// fuzz targets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "convert/convert.h"
#include "convert/reference.h"
#include "fuzz/fuzz_check.h"

inline std::string ReferenceConversion(const qv::ConversionOptions& o, qv::QuoteMarkList& marks,
                                       const std::string& text, std::string_view keep = {}) {
  size_t bytes = 0;
  QV_FUZZ_CHECK(qv::FullBlockSize(text.size(), &bytes));
  std::vector<char> b(bytes, '\0');
  std::copy(text.begin(), text.end(), b.begin());
  QV_FUZZ_CHECK(qv::reference::Convert(o, marks, keep, b.data(), text.size()));
  return b.data();
}
