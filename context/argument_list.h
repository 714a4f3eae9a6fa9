// The process command line split into argument strings, by the tool's own
// rules: a `/` after other characters starts a new argument, a backslash is
// special only inside double quotes, and Shift_JIS two-byte characters are
// always copied whole. The list owns a private heap that holds the strings
// and the array of pointers to them.
#pragma once

#include <cstdint>

#include "platform/owned.h"

namespace qv {

class ArgumentList {
 public:
  ArgumentList() = default;  // no arguments at all
  // Splits `commandLine` (null: an empty line).
  explicit ArgumentList(const char* commandLine);
  // Splits the process command line (GetCommandLineA).
  static ArgumentList OfProcess();

  ArgumentList(ArgumentList&& other) noexcept;
  ArgumentList& operator=(ArgumentList&& other) noexcept;

  int32_t argc() const { return argc_; }
  // The argument at index i, 0 <= i < argc(); (*this)[argc()] is null after a
  // complete split.
  const char* operator[](int32_t i) const { return argv_[i]; }
  // The buffer of 2 * L + 1 bytes that holds the strings back to back.
  const char* charBuffer() const { return charBuffer_; }
  // The array could not grow: the arguments after argc() were dropped, and a
  // run on the rest would convert with other options than the user gave.
  bool incomplete() const { return incomplete_; }

 private:
  class Splitter;

  UniqueHeap heap_;
  int32_t argc_ = 0;
  char** argv_ = nullptr;  // on heap_; may move while it grows
  char* charBuffer_ = nullptr;  // on heap_; never moves
  bool incomplete_ = false;
};

}  // namespace qv
