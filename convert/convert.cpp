#include "convert/convert.h"

#include <cstdint>

namespace qv {

QuoteMarkList& QuoteMarkList::Process() {
  static QuoteMarkList list;
  return list;
}

// The character tables are not part of this build yet: the conversion reports
// failure instead of returning the text unchanged as if it had converted it.
bool ConvertToHalf(const ConversionOptions&, QuoteMarkList&, char*) { return false; }

bool FullBlockSize(size_t n, size_t* bytes) {
  // 4 * (n + 1), within the texts' 32-bit positions.
  if (n > (UINT32_MAX / 4) - 1) return false;
  *bytes = 4 * (n + 1);
  return true;
}

bool ConvertToFullInBlock(const ConversionOptions&, QuoteMarkList&, char*, size_t) { return false; }

void ReplaceSpacesWithUnderbars(char* text) {
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == ' ') *p = '_';
  }
}

}  // namespace qv
