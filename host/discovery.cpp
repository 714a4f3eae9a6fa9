#include "host/discovery.h"

#include <cstdio>
#include <algorithm>
#include <cstring>

#include "convert/sjis.h"
#include "host/host_contract.h"

namespace qv {
namespace {

// atoi's reading (blanks, sign, digits), reduced to the low 8 bits. The sum
// wraps instead of overflowing; its low bits are those of the true value.
uint32_t LowByteOfDecimal(const char* p) {
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  uint32_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) value = value * 10 + static_cast<uint32_t>(*p - '0');
  if (negative) value = 0u - value;
  return value & 0xFF;
}

// The part after the first '.' from the second character on; "0" when there
// is none. An empty part has no second character to start from.
const char* NextVersionPart(const char* part) {
  if (part[0] == '\0') return "0";
  const char* dot = std::strchr(part + 1, '.');
  return dot != nullptr ? dot + 1 : "0";
}

// snprintf into a path buffer; false when the result does not fit.
template <typename... Args>
bool ComposePath(char (&out)[kPathBufferSize], const char* format, Args... args) {
  const int n = std::snprintf(out, sizeof out, format, args...);
  return n >= 0 && static_cast<size_t>(n) < sizeof out;
}

// A zeroed heap copy with four spare bytes, as the other path blocks.
char* HeapCopy(HeapHandle heap, const char* text) {
  const size_t length = std::strlen(text);
  auto* block = static_cast<char*>(Mem().HeapAlloc(heap, win::kHeapZeroMemory, length + 5));
  if (block != nullptr) std::memcpy(block, text, length);
  return block;
}

enum class ExeLookupRoad { kUnchosen, kSnapshot, kModules };
ExeLookupRoad g_exeLookupRoad = ExeLookupRoad::kUnchosen;

}  // namespace

uint32_t PackHostVersion(const char* fileVersion) {
  if (fileVersion == nullptr || fileVersion[0] == '\0') return 0;
  const char* p1 = fileVersion;
  const char* p2 = NextVersionPart(p1);
  const char* p3 = NextVersionPart(p2);
  const char* p4 = NextVersionPart(p3);
  return LowByteOfDecimal(p1) << 24 | LowByteOfDecimal(p2) << 16 | LowByteOfDecimal(p3) << 8 | LowByteOfDecimal(p4);
}

size_t FileNameStart(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (sjis::IsLead(c) && i + 1 < path.size() && sjis::IsTrail(static_cast<unsigned char>(path[i + 1]))) {
      ++i;
    } else if (c == '\\') {
      start = i + 1;
    }
  }
  return start;
}

const char* DeriveHostIniPath(HeapHandle heap, const char* exePath) {
  if (exePath == nullptr) exePath = host::kDefaultExeName;
  const size_t exeLength = std::strlen(exePath);
  if (exeLength >= kPathBufferSize) return host::kDefaultIniName;

  char dir[kPathBufferSize] = {};
  char name[kPathBufferSize] = {};
  char candidate[kPathBufferSize] = {};
  std::memcpy(dir, exePath, exeLength);
  const size_t nameStart = FileNameStart(std::string_view(dir, exeLength));
  const size_t nameLength = exeLength - nameStart;
  std::memcpy(name, dir + nameStart, nameLength);
  dir[nameStart] = '\0';
  // The last four bytes go (a shorter name goes whole), but never half of a
  // two-byte character.
  size_t cut = std::max<size_t>(nameLength, 4) - 4;
  for (size_t i = 0; i < cut; ++i) {
    if (sjis::IsPair(reinterpret_cast<const uint8_t*>(name + i))) {
      if (i + 1 == cut) cut = i;
      ++i;
    }
  }
  std::memcpy(name + cut, ".ini", 5);

  // Per-user INI files, when usr.ini allows them and the file or the marker exists.
  if (ComposePath(candidate, "%s%s", dir, host::kUserIniFile) &&
      Sys().GetPrivateProfileIntA(host::kUserIniSection, host::kUserIniKey, 1, candidate) == 1) {
    char user[kUserNameBufferSize] = {};
    uint32_t userSize = sizeof user;
    const bool named = Sys().GetUserNameA(user, &userSize);
    user[sizeof user - 1] = '\0';
    if (named && user[0] != '\0' && ComposePath(candidate, "%susr\\%s\\%s", dir, user, name)) {
      char* perUser = HeapCopy(heap, candidate);
      if (perUser != nullptr) {
        if (IsExistingFile(candidate)) return perUser;
        // The marker names the per-user path even before its file exists.
        if (ComposePath(candidate, "%s%s", dir, host::kUserMarkerFile) && IsExistingFile(candidate)) return perUser;
        Mem().HeapFree(heap, 0, perUser);
      }
    }
  }

  // The INI beside the executable.
  if (!ComposePath(candidate, "%s%s", dir, name)) return host::kDefaultIniName;
  const char* shared = HeapCopy(heap, candidate);
  return shared != nullptr ? shared : host::kDefaultIniName;
}

bool IsExistingFile(const char* path) {
  const uint32_t attributes = Sys().GetFileAttributesA(path);
  return attributes != win::kInvalidFileAttributes && (attributes & win::kFileAttributeDirectory) == 0;
}

int GetWindowProcessExePath(Window window, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0 || !Desktop().IsWindow(window)) return 0;
  if (g_exeLookupRoad == ExeLookupRoad::kUnchosen) {
    // Chosen once; remembered only when every entry point was found.
    const bool nt = Desktop().GetVersionPlatformId() == win::kVerPlatformWin32Nt;
    if (nt ? !Desktop().BindPsapi() : !Desktop().BindToolhelp()) return 0;
    g_exeLookupRoad = nt ? ExeLookupRoad::kModules : ExeLookupRoad::kSnapshot;
  }
  uint32_t processId = 0;
  Desktop().GetWindowThreadProcessId(window, &processId);
  bool found = g_exeLookupRoad == ExeLookupRoad::kModules ? Desktop().FindProcessExeByModules(processId, buffer, size)
                                                          : Desktop().FindProcessExeBySnapshot(processId, buffer, size);
  // A path that filled the buffer may have been cut (or left unterminated).
  if (found && (buffer[0] == '\0' || strnlen(buffer, size) + 1 >= size)) found = false;
  if (!found) std::memset(buffer, 0, size);
  return found ? 1 : 0;
}

void ResetProcessExeLookupForTesting() { g_exeLookupRoad = ExeLookupRoad::kUnchosen; }

}  // namespace qv
