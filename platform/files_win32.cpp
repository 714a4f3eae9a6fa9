// The filter's files on Windows: wide paths, the console, ReplaceFileW.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/files.h"

namespace qv::files {
namespace {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view wide, UINT codePage = CP_UTF8) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string SystemErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT),
                                 reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n > 0 && text != nullptr ? std::wstring(text, n) : L"error " + std::to_wstring(code);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.')) {
    message.pop_back();
  }
  return Narrow(message);
}

// A handle, closed when it goes.
class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  bool Reset(HANDLE h = INVALID_HANDLE_VALUE) {
    const bool ok = !valid() || CloseHandle(h_) != 0;
    h_ = h;
    return ok;
  }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  HANDLE h_;
};

HANDLE OpenExisting(const std::wstring& path, DWORD access) {
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool WriteAll(HANDLE h, const char* data, size_t n) {
  while (n > 0) {
    DWORD wrote = 0;
    const auto want = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
    if (!WriteFile(h, data, want, &wrote, nullptr) || wrote == 0) return false;
    data += wrote;
    n -= wrote;
  }
  return true;
}

// The temporary file of the replacement under way: Ctrl+C or a closed
// console must not leave it behind.
CRITICAL_SECTION g_tempLock;
std::wstring g_temp;

BOOL WINAPI RemoveTemp(DWORD) {
  EnterCriticalSection(&g_tempLock);
  if (!g_temp.empty()) DeleteFileW(g_temp.c_str());
  g_temp.clear();
  LeaveCriticalSection(&g_tempLock);
  return FALSE;  // and on to the usual end
}

void SetTemp(const std::wstring& path) {
  static const bool installed = [] {
    InitializeCriticalSection(&g_tempLock);
    SetConsoleCtrlHandler(RemoveTemp, TRUE);
    return true;
  }();
  (void)installed;
  EnterCriticalSection(&g_tempLock);
  g_temp = path;
  LeaveCriticalSection(&g_tempLock);
}

}  // namespace

std::vector<std::string> ProgramArguments(int, char**) {
  std::vector<std::string> args;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return args;
  for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
  LocalFree(argv);
  return args;
}

bool ArgumentText(const std::string& argument, Encoding e, std::string& text) {
  if (e == Encoding::kUtf8) {
    text = argument;
    return true;
  }
  const std::wstring wide = Wide(argument);
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, &usedDefault);
  text.assign(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr,
                        &usedDefault);
  }
  return !usedDefault;
}

Encoding LocaleEncoding() { return GetACP() == CP_UTF8 ? Encoding::kUtf8 : Encoding::kShiftJis; }

PathKind KindOf(const std::string& path) {
  const Handle h(OpenExisting(Wide(path), 0));
  if (!h.valid()) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME
               ? PathKind::kNone
               : PathKind::kOther;
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  if (GetFileType(h.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(h.get(), &info)) return PathKind::kOther;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kDirectory : PathKind::kFile;
}

std::FILE* OpenForReading(const std::string& path, std::string& error) {
  if (KindOf(path) == PathKind::kDirectory) {
    error = ErrorText(EISDIR);
    return nullptr;
  }
  std::FILE* f = _wfopen(Wide(path).c_str(), L"rb");
  if (f == nullptr) error = ErrorText(errno);
  return f;
}

std::string ErrorText(int errnum) { return std::strerror(errnum); }

bool WriteText(std::FILE* stream, std::string_view utf8) {
  HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  const std::wstring wide = Wide(utf8);
  if (GetConsoleMode(h, &mode)) {
    std::fflush(stream);
    DWORD wrote = 0;
    return WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &wrote, nullptr) != 0;
  }
  const std::string cp932 = Narrow(wide, 932);
  return std::fwrite(cp932.data(), 1, cp932.size(), stream) == cp932.size() && std::fflush(stream) == 0;
}

// The C runtime reports a pipe without a reader as EINVAL and forgets the
// system's code; a write to a pipe fails for no other reason.
bool IsClosedPipe(std::FILE* stream, int errnum) {
  return errnum == EPIPE || GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)))) == FILE_TYPE_PIPE;
}

void ExitForClosedPipe() { ExitProcess(1); }

struct Replacement::State {
  std::wstring target;  // the file itself, every link resolved
  std::FILE* input = nullptr;
  DWORD attributes = 0;
  std::wstring temp;
  Handle tempHandle;
  bool committed = false;

  ~State() {
    if (input != nullptr) std::fclose(input);
    if (!temp.empty() && !committed) {
      tempHandle.Reset();
      SetTemp(L"");
      DeleteFileW(temp.c_str());
    }
  }
};

Replacement::Replacement(std::string path) : path_(std::move(path)), state_(std::make_unique<State>()) {}
Replacement::~Replacement() = default;

std::FILE* Replacement::Open(std::string& error) {
  State& s = *state_;
  Handle h(OpenExisting(Wide(path_), GENERIC_READ));
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!h.valid() || !GetFileInformationByHandle(h.get(), &info)) {
    error = SystemErrorText(GetLastError());
    return nullptr;
  }
  if (GetFileType(h.get()) != FILE_TYPE_DISK || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = "not a regular file";
    return nullptr;
  }
  s.attributes = info.dwFileAttributes;
  // The file itself where the path is a link; where the system cannot say,
  // the path as given, made absolute.
  wchar_t final[32768];
  DWORD n = GetFinalPathNameByHandleW(h.get(), final, static_cast<DWORD>(std::size(final)), FILE_NAME_NORMALIZED);
  if (n == 0 || n >= std::size(final)) {
    n = GetFullPathNameW(Wide(path_).c_str(), static_cast<DWORD>(std::size(final)), final, nullptr);
  }
  if (n == 0 || n >= std::size(final)) {
    error = SystemErrorText(GetLastError());
    return nullptr;
  }
  s.target.assign(final, n);
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h.get()), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    error = ErrorText(errno);
    return nullptr;
  }
  h.Release();
  s.input = _fdopen(fd, "rb");
  if (s.input == nullptr) {
    _close(fd);
    error = ErrorText(errno);
    return nullptr;
  }
  return s.input;
}

bool Replacement::Start(uint64_t unchanged, std::string& error) {
  State& s = *state_;
  const size_t slash = s.target.find_last_of(L"\\/");
  const std::wstring stem = s.target.substr(0, slash + 1) + L"." + s.target.substr(slash + 1) + L".";
  // Exclusive (CREATE_NEW): never a name that someone else placed there.
  for (unsigned attempt = 0; attempt < 100 && !s.tempHandle.valid(); ++attempt) {
    const unsigned long long tag = GetTickCount64() * 7919 + GetCurrentProcessId() * 104729ull + attempt;
    std::wstring name = stem + std::to_wstring(tag % 1000000);
    s.tempHandle.Reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (s.tempHandle.valid()) {
      s.temp = name;
      SetTemp(name);
    } else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  if (!s.tempHandle.valid()) {
    error = SystemErrorText(GetLastError());
    return false;
  }
  const Handle original(OpenExisting(s.target, GENERIC_READ));
  if (!original.valid()) {
    error = SystemErrorText(GetLastError());
    return false;
  }
  char chunk[1 << 16];
  for (uint64_t at = 0; at < unchanged;) {
    const auto want = static_cast<DWORD>(std::min<uint64_t>(sizeof chunk, unchanged - at));
    DWORD got = 0;
    if (!ReadFile(original.get(), chunk, want, &got, nullptr) || got == 0) {
      error = got == 0 ? "the file became shorter while it was read" : SystemErrorText(GetLastError());
      return false;
    }
    if (!Write(chunk, got, error)) return false;
    at += got;
  }
  return true;
}

bool Replacement::Write(const void* data, size_t n, std::string& error) {
  if (!WriteAll(state_->tempHandle.get(), static_cast<const char*>(data), n)) {
    error = SystemErrorText(GetLastError());
    return false;
  }
  return true;
}

bool Replacement::Commit(std::string& error) {
  State& s = *state_;
  if (!FlushFileBuffers(s.tempHandle.get()) || !s.tempHandle.Reset()) {
    error = SystemErrorText(GetLastError());
    return false;
  }
  if (s.input != nullptr) {
    std::fclose(s.input);  // done reading; the file may now be replaced
    s.input = nullptr;
  }
  // ReplaceFileW keeps the file's attributes and security; where the file
  // system cannot, a plain rename with the attributes copied over.
  if (!ReplaceFileW(s.target.c_str(), s.temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    SetFileAttributesW(s.temp.c_str(), s.attributes);
    if (!MoveFileExW(s.temp.c_str(), s.target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      error = SystemErrorText(GetLastError());
      return false;
    }
  }
  s.committed = true;
  SetTemp(L"");
  return true;
}

}  // namespace qv::files
