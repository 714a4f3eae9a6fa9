// quorvel-filter: the conversion engine on files and standard streams, as a
// function, so that tests can run it whole in their own process.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "convert/encoding.h"

namespace qv {

// 0 everything converted and written; 1 an input could not be read, the
// output not written or a file not replaced (the others were done); 2 a bad
// argument (nothing was converted); 4 memory ran out.
enum FilterExit { kFilterOk = 0, kFilterFailed = 1, kFilterUsage = 2, kFilterOutOfMemory = 4 };

struct FilterStreams {
  std::FILE* in;
  std::FILE* out;
  std::FILE* err;
};

// Runs the filter on its arguments (the program name not among them). A
// text that shows no sign of its encoding (only ASCII) is taken as
// `signless`.
int RunFilter(const std::vector<std::string>& args, const FilterStreams& io, Encoding signless);

}  // namespace qv
