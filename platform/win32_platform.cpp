// The real Win32 calls behind the platform boundary.
#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

#include "platform/platform.h"

namespace qv {

// The constants platform.h spells out for the code outside platform/ are the SDK's.
static_assert(win::kHeapNoSerialize == HEAP_NO_SERIALIZE && win::kHeapZeroMemory == HEAP_ZERO_MEMORY);
static_assert(win::kMbOk == MB_OK && win::kMbIconError == MB_ICONERROR &&
              win::kMbIconInformation == MB_ICONINFORMATION);
static_assert(win::kWmGetText == WM_GETTEXT && win::kWmGetTextLength == WM_GETTEXTLENGTH && win::kWmClose == WM_CLOSE &&
              win::kWmShowWindow == WM_SHOWWINDOW && win::kWmInitDialog == WM_INITDIALOG &&
              win::kWmCommand == WM_COMMAND && win::kWmClear == WM_CLEAR);
static_assert(win::kEmGetSel == EM_GETSEL && win::kEmSetSel == EM_SETSEL && win::kEmReplaceSel == EM_REPLACESEL &&
              win::kEmUndo == EM_UNDO);
static_assert(win::kFileMapWrite == FILE_MAP_WRITE && win::kFileMapRead == FILE_MAP_READ && win::kMaxPath == MAX_PATH);
static_assert(win::kInvalidFileAttributes == INVALID_FILE_ATTRIBUTES &&
              win::kFileAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY &&
              win::kFileAttributeNormal == FILE_ATTRIBUTE_NORMAL && win::kVerPlatformWin32Nt == VER_PLATFORM_WIN32_NT);
static_assert(win::kAwCenter == AW_CENTER && win::kAwHide == AW_HIDE && win::kAwActivate == AW_ACTIVATE);
static_assert(win::kBstUnchecked == BST_UNCHECKED && win::kBstChecked == BST_CHECKED && win::kIdOk == IDOK &&
              win::kIdCancel == IDCANCEL);

namespace {

HWND W(Window w) { return static_cast<HWND>(w); }

template <typename Fn>
Fn Bind(HMODULE module, const char* name) {
  return module != nullptr ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

using CreateSnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using Process32Fn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
using GetFileVersionInfoSizeFn = DWORD(WINAPI*)(LPCSTR, DWORD*);
using GetFileVersionInfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, void*);
using VerQueryValueFn = BOOL(WINAPI*)(const void*, LPCSTR, void**, UINT*);
using AnimateWindowFn = BOOL(WINAPI*)(HWND, DWORD, DWORD);

struct ToolhelpApi {
  CreateSnapshotFn createSnapshot = nullptr;
  Process32Fn first = nullptr;
  Process32Fn next = nullptr;
};
struct PsapiApi {
  EnumProcessModulesFn enumModules = nullptr;
  GetModuleFileNameExFn moduleFileName = nullptr;
};
struct VersionFns {
  GetFileVersionInfoSizeFn size = nullptr;
  GetFileVersionInfoFn info = nullptr;
  VerQueryValueFn query = nullptr;
};

// The modal dialog's procedure in portable form; one dialog exists at a time.
DialogProc g_dialogProc = nullptr;

INT_PTR CALLBACK DialogTrampoline(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return g_dialogProc != nullptr ? g_dialogProc(dialog, message, wParam, lParam) : 0;
}

class Win32Platform final : public Platform {
 public:
  HeapHandle HeapCreate(uint32_t options, size_t initialSize, size_t maximumSize) override {
    return ::HeapCreate(options, initialSize, maximumSize);
  }
  void* HeapAlloc(HeapHandle heap, uint32_t flags, size_t bytes) override {
    return heap != nullptr ? ::HeapAlloc(heap, flags, bytes) : nullptr;
  }
  void* HeapReAlloc(HeapHandle heap, uint32_t flags, void* block, size_t bytes) override {
    return heap != nullptr && block != nullptr ? ::HeapReAlloc(heap, flags, block, bytes) : nullptr;
  }
  bool HeapFree(HeapHandle heap, uint32_t flags, void* block) override {
    return heap != nullptr && ::HeapFree(heap, flags, block) != FALSE;
  }
  bool HeapDestroy(HeapHandle heap) override { return heap != nullptr && ::HeapDestroy(heap) != FALSE; }

  const char* GetCommandLineA() override { return ::GetCommandLineA(); }
  ModuleHandle GetModuleHandleA(const char* name) override { return ::GetModuleHandleA(name); }
  uint32_t GetModuleFileNameA(ModuleHandle module, char* buffer, uint32_t size) override {
    return ::GetModuleFileNameA(static_cast<HMODULE>(module), buffer, size);
  }
  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
  uint32_t GetFileAttributesA(const char* path) override { return ::GetFileAttributesA(path); }
  bool GetUserNameA(char* buffer, uint32_t* size) override {
    if (size == nullptr) return false;
    DWORD n = *size;
    const BOOL ok = ::GetUserNameA(buffer, &n);
    *size = n;
    return ok != FALSE;
  }

  uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                                 const char* file) override {
    return ::GetPrivateProfileIntA(section, key, defaultValue, file);
  }
  uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                    uint32_t size, const char* file) override {
    return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file);
  }
  bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                  const char* file) override {
    return ::WritePrivateProfileStringA(section, key, value, file) != FALSE;
  }

  KernelHandle CreateFileMappingA(uint32_t sizeLow, const char* name, bool* taken) override {
    HANDLE h = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeLow, name);
    *taken = h != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS;
    return h;
  }
  void* MapViewOfFile(KernelHandle mapping, uint32_t access) override {
    return ::MapViewOfFile(mapping, access, 0, 0, 0);
  }
  bool UnmapViewOfFile(void* view) override { return ::UnmapViewOfFile(view) != FALSE; }
  bool CloseHandle(KernelHandle handle) override { return ::CloseHandle(handle) != FALSE; }

  Window GetForegroundWindow() override { return ::GetForegroundWindow(); }
  int GetClassNameA(Window window, char* buffer, int size) override { return ::GetClassNameA(W(window), buffer, size); }
  Window FindWindowA(const char* className, const char* title) override { return ::FindWindowA(className, title); }
  Window FindWindowExA(Window parent, Window childAfter, const char* className, const char* title) override {
    return ::FindWindowExA(W(parent), W(childAfter), className, title);
  }
  bool IsWindow(Window window) override { return ::IsWindow(W(window)) != FALSE; }
  intptr_t SendMessageA(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    return ::SendMessageA(W(window), message, wParam, lParam);
  }
  int MessageBoxA(Window owner, const char* text, const char* caption, uint32_t type) override {
    return ::MessageBoxA(W(owner), text, caption, type);
  }

  uint32_t GetWindowThreadProcessId(Window window, uint32_t* processId) override {
    DWORD pid = 0;
    const DWORD thread = ::GetWindowThreadProcessId(W(window), &pid);
    if (processId != nullptr) *processId = pid;
    return thread;
  }

  uint32_t GetVersionPlatformId() override {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL ok = ::GetVersionExA(&info);
#pragma GCC diagnostic pop
    return ok != FALSE ? info.dwPlatformId : 0;
  }

  bool BindToolhelp() override {
    HMODULE kernel = ::GetModuleHandleA("kernel32");
    toolhelp_.createSnapshot = Bind<CreateSnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    toolhelp_.first = Bind<Process32Fn>(kernel, "Process32First");
    toolhelp_.next = Bind<Process32Fn>(kernel, "Process32Next");
    return toolhelp_.createSnapshot != nullptr && toolhelp_.first != nullptr && toolhelp_.next != nullptr;
  }

  bool BindPsapi() override {
    HMODULE psapi = ::GetModuleHandleA("psapi");
    if (psapi == nullptr) psapi = ::LoadLibraryA("psapi");
    psapi_.enumModules = Bind<EnumProcessModulesFn>(psapi, "EnumProcessModules");
    psapi_.moduleFileName = Bind<GetModuleFileNameExFn>(psapi, "GetModuleFileNameExA");
    return psapi_.enumModules != nullptr && psapi_.moduleFileName != nullptr;
  }

  bool FindProcessExeBySnapshot(uint32_t processId, char* buffer, uint32_t size) override {
    if (toolhelp_.createSnapshot == nullptr || buffer == nullptr || size == 0) return false;
    HANDLE snapshot = toolhelp_.createSnapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = toolhelp_.first(snapshot, &entry); more; more = toolhelp_.next(snapshot, &entry)) {
      if (entry.th32ProcessID == processId) {
        std::strncpy(buffer, entry.szExeFile, size);
        found = true;
        break;
      }
      entry.dwSize = sizeof entry;
    }
    ::CloseHandle(snapshot);
    return found;
  }

  bool FindProcessExeByModules(uint32_t processId, char* buffer, uint32_t size) override {
    if (psapi_.enumModules == nullptr || buffer == nullptr || size == 0) return false;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr) return false;
    HMODULE first = nullptr;
    DWORD needed = 0;
    const bool ok = psapi_.enumModules(process, &first, sizeof first, &needed) != FALSE &&
                    psapi_.moduleFileName(process, first, buffer, size) != 0;
    ::CloseHandle(process);
    return ok;
  }

  bool BindVersionApi() override {
    if (version_.size != nullptr && version_.info != nullptr && version_.query != nullptr) return true;
    HMODULE library = ::LoadLibraryA("Version");
    if (library == nullptr) return false;
    version_.size = Bind<GetFileVersionInfoSizeFn>(library, "GetFileVersionInfoSizeA");
    version_.info = Bind<GetFileVersionInfoFn>(library, "GetFileVersionInfoA");
    version_.query = Bind<VerQueryValueFn>(library, "VerQueryValueA");
    return version_.size != nullptr && version_.info != nullptr && version_.query != nullptr;
  }
  uint32_t GetFileVersionInfoSizeA(const char* path, uint32_t* handle) override {
    DWORD h = 0;
    const DWORD size = version_.size != nullptr ? version_.size(path, &h) : 0;
    if (handle != nullptr) *handle = h;
    return size;
  }
  bool GetFileVersionInfoA(const char* path, uint32_t handle, uint32_t size, void* block) override {
    return version_.info != nullptr && version_.info(path, handle, size, block) != FALSE;
  }
  bool VerQueryValueA(const void* block, const char* subBlock, void** value, uint32_t* length) override {
    UINT n = 0;
    const bool ok = version_.query != nullptr && version_.query(block, subBlock, value, &n) != FALSE;
    if (length != nullptr) *length = n;
    return ok;
  }

  intptr_t DialogBoxParamA(ModuleHandle instance, int templateId, Window owner, DialogProc proc,
                           intptr_t param) override {
    DialogProc previous = g_dialogProc;
    g_dialogProc = proc;
    const INT_PTR result = ::DialogBoxParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(templateId), W(owner),
                                             DialogTrampoline, param);
    g_dialogProc = previous;
    return result;
  }
  bool EndDialog(Window dialog, intptr_t result) override { return ::EndDialog(W(dialog), result) != FALSE; }
  bool CheckDlgButton(Window dialog, int id, uint32_t state) override {
    return ::CheckDlgButton(W(dialog), id, state) != FALSE;
  }
  uint32_t IsDlgButtonChecked(Window dialog, int id) override { return ::IsDlgButtonChecked(W(dialog), id); }
  Window GetDlgItem(Window dialog, int id) override { return ::GetDlgItem(W(dialog), id); }
  bool EnableWindow(Window window, bool enable) override { return ::EnableWindow(W(window), enable) != FALSE; }
  void SetClassIconFromResource(Window window, ModuleHandle instance, int iconId) override {
    HICON icon = ::LoadIconA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(iconId));
    ::SetClassLongPtrA(W(window), GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  }
  bool GetWindowRect(Window window, Rect* rect) override {
    RECT r;
    if (rect == nullptr || ::GetWindowRect(W(window), &r) == FALSE) return false;
    *rect = Rect{r.left, r.top, r.right, r.bottom};
    return true;
  }
  bool GetWorkArea(Rect* rect) override {
    RECT r;
    if (rect == nullptr || ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0) == FALSE) return false;
    *rect = Rect{r.left, r.top, r.right, r.bottom};
    return true;
  }
  bool MoveWindow(Window window, int x, int y, int width, int height, bool repaint) override {
    return ::MoveWindow(W(window), x, y, width, height, repaint ? TRUE : FALSE) != FALSE;
  }
  bool RedrawWindow(Window window) override {
    return ::RedrawWindow(W(window), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN) != FALSE;
  }
  bool AnimateWindowIfPresent(Window window, uint32_t milliseconds, uint32_t flags) override {
    auto animate = Bind<AnimateWindowFn>(::GetModuleHandleA("user32"), "AnimateWindow");
    if (animate == nullptr) return false;
    animate(W(window), milliseconds, flags);
    return true;
  }

  [[noreturn]] void ExitProcess(int exitCode) override { ::ExitProcess(static_cast<UINT>(exitCode)); }

 private:
  ToolhelpApi toolhelp_;
  PsapiApi psapi_;
  VersionFns version_;
};

}  // namespace

Platform& NativePlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace qv
