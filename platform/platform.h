// The narrow boundary between the tool and the operating system: every call
// the tool makes to Win32 goes through one of the groups below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

using Window = void*;        // HWND
using HeapHandle = void*;    // heap HANDLE
using ModuleHandle = void*;  // HMODULE / HINSTANCE
using KernelHandle = void*;  // other kernel object HANDLEs (file mappings)

// Win32 constants the tool uses, spelled out so that no code outside
// platform/ needs a system header.
namespace win {
inline constexpr uint32_t kMaxPath = 260;  // MAX_PATH: a path buffer, NUL included
inline constexpr uint32_t kHeapNoSerialize = 0x00000001;
inline constexpr uint32_t kHeapZeroMemory = 0x00000008;

inline constexpr uint32_t kMbOk = 0x00000000;
inline constexpr uint32_t kMbIconError = 0x00000010;
inline constexpr uint32_t kMbIconInformation = 0x00000040;

inline constexpr uint32_t kWmGetText = 0x000D;
inline constexpr uint32_t kWmGetTextLength = 0x000E;
inline constexpr uint32_t kWmClose = 0x0010;
inline constexpr uint32_t kWmShowWindow = 0x0018;
inline constexpr uint32_t kWmInitDialog = 0x0110;
inline constexpr uint32_t kWmCommand = 0x0111;
inline constexpr uint32_t kWmClear = 0x0303;
inline constexpr uint32_t kEmGetSel = 0x00B0;
inline constexpr uint32_t kEmSetSel = 0x00B1;
inline constexpr uint32_t kEmReplaceSel = 0x00C2;
inline constexpr uint32_t kEmUndo = 0x00C7;

inline constexpr uint32_t kFileMapWrite = 0x0002;
inline constexpr uint32_t kFileMapRead = 0x0004;

inline constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFF;
inline constexpr uint32_t kFileAttributeDirectory = 0x00000010;
inline constexpr uint32_t kFileAttributeNormal = 0x00000080;

inline constexpr uint32_t kVerPlatformWin32Nt = 2;

inline constexpr uint32_t kAwCenter = 0x00000010;
inline constexpr uint32_t kAwHide = 0x00010000;
inline constexpr uint32_t kAwActivate = 0x00020000;

inline constexpr uint32_t kBstUnchecked = 0;
inline constexpr uint32_t kBstChecked = 1;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
}  // namespace win

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// A dialog procedure in portable form; the Windows implementation wraps it in
// a real DLGPROC. Returns what the dialog manager should see.
using DialogProc = intptr_t (*)(Window dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The system as the tool needs it, in five groups, so that a test replaces
// only the group it exercises. Each group is a plain Win32 call set; the
// Windows build calls the real API, the portable build a stand-in (private
// heaps, INI files, message boxes on stderr, named sections inside the
// process, a desktop without windows).

// Private heaps: the run's texts, the argument list, a version reader.
class Heaps {
 public:
  virtual ~Heaps() = default;
  virtual HeapHandle HeapCreate(uint32_t options, size_t initialSize, size_t maximumSize) = 0;
  // Null on failure. The block is zero-filled with kHeapZeroMemory.
  virtual void* HeapAlloc(HeapHandle heap, uint32_t flags, size_t bytes) = 0;
  // Null on failure with the old block intact; the block may move. With
  // kHeapZeroMemory the grown part is zero-filled.
  virtual void* HeapReAlloc(HeapHandle heap, uint32_t flags, void* block, size_t bytes) = 0;
  virtual bool HeapFree(HeapHandle heap, uint32_t flags, void* block) = 0;
  // Releases every block of the heap at once. False for a null heap.
  virtual bool HeapDestroy(HeapHandle heap) = 0;
};

// The host editor's windows, their messages and the process behind them.
class HostWindows {
 public:
  virtual ~HostWindows() = default;
  virtual Window GetForegroundWindow() = 0;
  virtual int GetClassNameA(Window window, char* buffer, int size) = 0;
  virtual Window FindWindowA(const char* className, const char* title) = 0;
  virtual Window FindWindowExA(Window parent, Window childAfter, const char* className, const char* title) = 0;
  virtual bool IsWindow(Window window) = 0;
  virtual intptr_t SendMessageA(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
  virtual uint32_t GetWindowThreadProcessId(Window window, uint32_t* processId) = 0;
  // GetVersionExA with OSVERSIONINFOA; the platform id, or 0 when the call fails.
  virtual uint32_t GetVersionPlatformId() = 0;
  // Binds CreateToolhelp32Snapshot, Process32First and Process32Next from the
  // loaded "kernel32". False when any is missing.
  virtual bool BindToolhelp() = 0;
  // Binds EnumProcessModules and GetModuleFileNameExA from "psapi"
  // (GetModuleHandleA, else LoadLibraryA). False when any is missing.
  virtual bool BindPsapi() = 0;
  // Snapshot walk: at the first process entry whose id is `processId`, copies
  // its szExeFile with strncpy semantics into the buffer and returns true.
  virtual bool FindProcessExeBySnapshot(uint32_t processId, char* buffer, uint32_t size) = 0;
  // OpenProcess(0x410) + EnumProcessModules (first module) + GetModuleFileNameExA.
  virtual bool FindProcessExeByModules(uint32_t processId, char* buffer, uint32_t size) = 0;
};

// The named shared memory of one transfer with the host.
class SharedMemory {
 public:
  virtual ~SharedMemory() = default;
  // CreateFileMappingA(INVALID_HANDLE_VALUE, no security, PAGE_READWRITE,
  // 0, sizeLow, name): a section backed by the paging file. Null on failure;
  // *taken tells whether the name was someone's already (GetLastError
  // ERROR_ALREADY_EXISTS: the section keeps its first size).
  virtual KernelHandle CreateFileMappingA(uint32_t sizeLow, const char* name, bool* taken) = 0;
  // MapViewOfFile(mapping, access, 0, 0, 0): the whole mapping.
  virtual void* MapViewOfFile(KernelHandle mapping, uint32_t access) = 0;
  virtual bool UnmapViewOfFile(void* view) = 0;
  virtual bool CloseHandle(KernelHandle handle) = 0;
};

// The process, its files and settings: the command line, module paths,
// files, the user's name, INI files, version resources, the exit.
class System {
 public:
  virtual ~System() = default;
  virtual const char* GetCommandLineA() = 0;
  virtual ModuleHandle GetModuleHandleA(const char* name) = 0;
  virtual uint32_t GetModuleFileNameA(ModuleHandle module, char* buffer, uint32_t size) = 0;
  virtual uint32_t GetFileAttributesA(const char* path) = 0;
  // advapi32. `size` is in/out as in Win32 (buffer size in, length + 1 out).
  virtual bool GetUserNameA(char* buffer, uint32_t* size) = 0;
  virtual uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                                         const char* file) = 0;
  virtual uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                            char* buffer, uint32_t size, const char* file) = 0;
  virtual bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                          const char* file) = 0;
  // LoadLibraryA("Version") and GetProcAddress of GetFileVersionInfoSizeA,
  // GetFileVersionInfoA and VerQueryValueA, once for the process: true at
  // once after they were bound. False when the library cannot be loaded or
  // an entry point is missing; the next call tries again.
  virtual bool BindVersionApi() = 0;
  virtual uint32_t GetFileVersionInfoSizeA(const char* path, uint32_t* handle) = 0;
  virtual bool GetFileVersionInfoA(const char* path, uint32_t handle, uint32_t size, void* block) = 0;
  virtual bool VerQueryValueA(const void* block, const char* subBlock, void** value, uint32_t* length) = 0;
  [[noreturn]] virtual void ExitProcess(int exitCode) = 0;
};

// What the user sees: message boxes and the options dialog.
class Ui {
 public:
  virtual ~Ui() = default;
  virtual int MessageBoxA(Window owner, const char* text, const char* caption, uint32_t type) = 0;
  // Runs template `templateId` modally; the value given to EndDialog, or -1
  // when the dialog cannot be created.
  virtual intptr_t DialogBoxParamA(ModuleHandle instance, int templateId, Window owner, DialogProc proc,
                                   intptr_t param) = 0;
  virtual bool EndDialog(Window dialog, intptr_t result) = 0;
  // To the dialog itself (WM_CLOSE), answered before it returns.
  virtual intptr_t SendMessageA(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  virtual bool CheckDlgButton(Window dialog, int id, uint32_t state) = 0;
  virtual uint32_t IsDlgButtonChecked(Window dialog, int id) = 0;
  virtual Window GetDlgItem(Window dialog, int id) = 0;
  virtual bool EnableWindow(Window window, bool enable) = 0;
  // LoadIconA(instance, MAKEINTRESOURCE(id)) then SetClassLongPtrA(GCL_HICON).
  virtual void SetClassIconFromResource(Window window, ModuleHandle instance, int iconId) = 0;
  virtual bool GetWindowRect(Window window, Rect* rect) = 0;
  // SystemParametersInfoA(SPI_GETWORKAREA).
  virtual bool GetWorkArea(Rect* rect) = 0;
  virtual bool MoveWindow(Window window, int x, int y, int width, int height, bool repaint) = 0;
  // Looks "AnimateWindow" up in the loaded "user32" at every call and plays
  // it; false (and nothing happens) when it is not there.
  virtual bool AnimateWindowIfPresent(Window window, uint32_t milliseconds, uint32_t flags) = 0;
  // Repaints the window with its frame and caption and its children,
  // background included. Platforms without windows have nothing to paint.
  virtual bool RedrawWindow(Window) { return false; }
};

// Every group: what the build brings, and what a fake of them all is.
class Platform : public Heaps, public HostWindows, public SharedMemory, public System, public Ui {};

// The group in use. Each starts as the build's own implementation.
Heaps& Mem();
HostWindows& Desktop();
SharedMemory& Shared();
System& Sys();
Ui& Gui();
// Installs a replacement of one group (tests); null restores the build's own.
void SetForTesting(Heaps* group);
void SetForTesting(HostWindows* group);
void SetForTesting(SharedMemory* group);
void SetForTesting(System* group);
void SetForTesting(Ui* group);
// The build's own implementation, for fakes that pass calls through.
Platform& NativePlatform();

}  // namespace qv
