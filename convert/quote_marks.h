// The host's quote marks: lines that begin with one of them are left alone.
#pragma once

#include <cstddef>
#include <string_view>

namespace qv {

inline constexpr char kDefaultQuoteMarks[] = ">\x81\x84|\x81\x62:\x81\x46";  // >＞|｜:：

class QuoteMarkList {
 public:
  static constexpr size_t kBufferSize = 1024;  // 1023 bytes of value at most
  // Fills `buffer` (zeroed, `size` bytes) with a NUL-terminated value.
  using Loader = void (*)(void* context, char* buffer, size_t size);

  // The list of this process, loaded once at its first use.
  static QuoteMarkList& Process();
  void SetLoader(Loader loader, void* context) {
    loader_ = loader;
    context_ = context;
  }

 private:
  Loader loader_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace qv
