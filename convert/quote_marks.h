// The host's quote marks: lines that begin with one of them (after blanks)
// are left alone by both conversions unless ProcessQuotedLine is set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "convert/sjis.h"

namespace qv {

inline constexpr char kDefaultQuoteMarks[] = ">\x81\x84|\x81\x62:\x81\x46";  // >＞|｜:：

// The marks as lookup sets: IsMark gives what IsQuoteMark gives.
struct QuoteMarkSets {
  bool single[256] = {};
  uint64_t pairs[65536 / 64] = {};  // bit lead << 8 | trail

  // `p` is NUL-terminated at or after p[0].
  bool IsMark(const uint8_t* p) const {
    if (sjis::IsPair(p)) {
      const unsigned code = static_cast<unsigned>(p[0]) << 8 | p[1];
      return (pairs[code >> 6] >> (code & 63)) & 1;
    }
    return single[p[0]];
  }
};

class QuoteMarkList {
 public:
  static constexpr size_t kBufferSize = 1024;  // 1023 bytes of value at most
  // Fills `buffer` (zeroed, `size` bytes) with a NUL-terminated value.
  using Loader = void (*)(void* context, char* buffer, size_t size);

  void SetLoader(Loader loader, void* context) {
    loader_ = loader;
    context_ = context;
  }
  // Loads the given marks at once (callers without a host); at most 1023 bytes
  // are kept, and a NUL ends them.
  void Set(std::string_view marks);

  // The marks, as loaded (loading them first).
  std::string_view Value();
  // Whether the character at text[pos] is one of the marks. `text` is
  // NUL-terminated at or after pos.
  bool IsQuoteMark(const char* text, size_t pos);
  // Fills `sets` with the marks (loading the list first), for tests of many
  // positions without walking the list each time.
  void BuildSets(struct QuoteMarkSets& sets);

 private:
  void Load();

  char marks_[kBufferSize] = {};
  bool loaded_ = false;
  Loader loader_ = nullptr;
  void* context_ = nullptr;
};

// Passes line breaks and whole quoted lines (with the empty lines after them)
// from readPos to writePos unchanged. True when a byte other than NUL stands
// at readPos on return.
bool SkipQuotedLines(QuoteMarkList& marks, char* text, uint32_t& readPos, uint32_t& writePos, int32_t& lineExamined);

}  // namespace qv
