// quorvel-filter: the conversion engine on streams, as a function, so that
// tests can run it whole in their own process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace qv {

// 0 converted and written, 1 read or write failure, 2 bad argument, 3 a
// character code page 932 cannot hold (--utf8), 4 the text is too large for
// the engine or memory ran out.
enum FilterExit { kFilterOk = 0, kFilterIo = 1, kFilterUsage = 2, kFilterUnmappable = 3, kFilterTooLarge = 4 };

struct FilterStreams {
  std::FILE* in;
  std::FILE* out;
  std::FILE* err;
};

// Parses the arguments (argv[0] is the program), then converts all of `in`
// to `out`, with messages on `err`. A text whose conversion needs a block of
// more than `blockLimit` bytes is too large, as one beyond the engine's 32-bit
// positions is.
int RunFilter(int argc, char** argv, const FilterStreams& io, size_t blockLimit = SIZE_MAX);

}  // namespace qv
