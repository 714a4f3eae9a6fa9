// Finding out about the host: its version number, its INI file, the
// executable behind one of its windows. Every input here comes from the host
// (window texts, version strings, paths) and is treated as untrusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/platform.h"

namespace qv {

// Path buffers of the setup hold this many bytes, the terminating NUL included.
inline constexpr size_t kPathBufferSize = win::kMaxPath;
// The executable path block is a little larger, as the host's own lookups use.
inline constexpr size_t kExePathBlockSize = 262;
inline constexpr size_t kUserNameBufferSize = 257;

// Packs a FileVersion text "a.b.c.d" into a<<24|b<<16|c<<8|d, each part read
// like atoi and cut to its low 8 bits; a missing part counts 0. Null or an
// empty text gives 0.
uint32_t PackHostVersion(const char* fileVersion);

// Where the file name begins: right after the last backslash, passing over
// two-byte Shift_JIS characters whole (their second byte may be 0x5C).
size_t FileNameStart(std::string_view path);

// The host INI path derived from the executable path: per-user file under
// usr\<user>\ when usr.ini allows it and that file or usr.txt exists, else the
// INI beside the executable. Returns a string on `heap`, or the literal
// "TeraPad.ini" when the path cannot be composed or allocated. Null `exePath`
// counts as "TeraPad.exe".
const char* DeriveHostIniPath(HeapHandle heap, const char* exePath);

// True when the path names an existing file that is not a directory.
bool IsExistingFile(const char* path);

// 1 when `buffer` received the path of the executable of the process owning
// `window`, else 0 (the buffer then holds no path). A path that does not fit
// the buffer with room to spare is refused rather than cut.
int GetWindowProcessExePath(Window window, char* buffer, uint32_t size);

// Forgets the once-per-process choice of how to find a process's executable.
void ResetProcessExeLookupForTesting();

}  // namespace qv
