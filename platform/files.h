// What the command-line filter needs of the system beyond standard streams:
// its arguments, files by name, replacing a file whole, and text for a
// person on a terminal or console. Paths and texts are UTF-8 on Windows and
// bytes as given elsewhere.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/encoding.h"

namespace qv::files {

// The program's arguments after its name (Windows: from the wide command
// line, so that any file name survives).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// An argument's text in encoding `e`: on Windows the command line is
// Unicode and is written in `e` (false when `e` cannot hold a character of
// it); elsewhere the bytes are taken as they are, already in `e`.
bool ArgumentText(const std::string& argument, Encoding e, std::string& text);

// The encoding of a text that shows no sign of its own: UTF-8 where the
// locale (on Windows the ANSI code page) is UTF-8, else Shift_JIS.
Encoding LocaleEncoding();

enum class PathKind : uint8_t { kNone, kFile, kDirectory, kOther };
// What the path names, following symbolic links (kOther: a device, a
// broken link, ...).
PathKind KindOf(const std::string& path);

// The file opened for binary reading; null with the reason in `error`.
std::FILE* OpenForReading(const std::string& path, std::string& error);

// The reason for the C library error `errnum`, as text.
std::string ErrorText(int errnum);

// Text for a person: wide text to a Windows console, code page 932 to other
// Windows streams, the UTF-8 itself elsewhere. False when it could not be
// written.
bool WriteText(std::FILE* stream, std::string_view utf8);

// Whether a failed write to `stream` (errno `errnum`) means that its reader
// has gone away: a closed pipe.
bool IsClosedPipe(std::FILE* stream, int errnum);
// Ends the process as a program whose reader went away ends, without a word
// (on POSIX systems: by SIGPIPE).
[[noreturn]] void ExitForClosedPipe();

// A file's new contents, put in its place whole or not at all: they go to a
// temporary file created exclusively in the file's folder (the folder of its
// target, when the path is a symbolic link), which is flushed to disk and
// then renamed over the file, keeping its mode. Until then, and on every
// failure, the file stays as it was; a temporary file not committed is
// removed, also when the process is interrupted by a signal.
class Replacement {
 public:
  explicit Replacement(std::string path);
  ~Replacement();
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  // The file opened for reading (a regular file); null with `error`.
  std::FILE* Open(std::string& error);
  // Creates the temporary file and puts the first `unchanged` bytes of the
  // file into it, as they are.
  bool Start(uint64_t unchanged, std::string& error);
  bool Write(const void* data, size_t n, std::string& error);
  bool Commit(std::string& error);

  struct State;

 private:
  std::string path_;
  std::unique_ptr<State> state_;
};

}  // namespace qv::files
