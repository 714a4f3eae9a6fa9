// The process command line split into argument strings, by the tool's own
// rules: a `/` after other characters starts a new argument, a backslash is
// special only inside double quotes, and Shift_JIS two-byte characters are
// always copied whole.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace qv {

struct ArgumentList {
  int32_t argc = 0;
  char** argv = nullptr;         // argv[argc] is null after a complete split
  char* charBuffer = nullptr;    // 2 * L + 1 bytes, never moves
  HeapHandle privateHeap = nullptr;
  // argv could not grow: the arguments after argc were dropped, and a run
  // on the rest would convert with other options than the user gave.
  bool incomplete = false;

  // Splits the process command line (GetCommandLineA).
  void Construct();
  // Splits the given line by the same rules.
  void ConstructFrom(const char* commandLine);
  // Releases everything at once; argc is left as it was.
  void Destroy();
};

}  // namespace qv
