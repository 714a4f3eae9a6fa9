// An in-process desktop with a host editor in it: main windows, edit panes
// that keep raw Shift_JIS bytes with selection and multi-level undo, the
// child windows that name the host's files, the private messages with the
// named shared memory, and scripted quirks. Everything not about windows
// passes through to the portable platform. Every message is journaled.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/pass_through_platform.h"

namespace qv::testing {

struct FakeWindow;

struct UndoStep {
  size_t pos = 0;
  std::string removed, inserted;
  size_t selStart = 0, selEnd = 0;
};

// What a pane or main window answers beyond the plain edit-control contract.
struct Quirks {
  int64_t replaceLimit = -1;    // EM_REPLACESEL takes at most this many bytes
  int64_t replaceExtra = 0;     // EM_REPLACESEL inserts this many "+" after what it takes
  bool replaceIgnored = false;  // EM_REPLACESEL changes nothing
  int64_t gettextLimit = -1;    // WM_GETTEXT delivers at most this many bytes
  bool reversedSelection = false;  // EM_GETSEL reports end before start
  int64_t selectionOffset = 0;     // added to both EM_GETSEL positions
  int64_t lengthOffset = 0;        // added to WM_GETTEXTLENGTH
  bool growOnRead = false;         // the text grows by "+" at every WM_GETTEXT
  bool clearIgnored = false;       // WM_CLEAR deletes nothing
  int64_t clearExtra = 0;          // WM_CLEAR deletes this many bytes more (negative: fewer)
  bool undoIgnored = false;        // EM_UNDO of an insertion does nothing
  bool refuseMapping = false;      // HostMsgReadText/HostMsgWriteText answer 0
  bool refuseMappingWrite = false;  // HostMsgWriteText answers 0
  int64_t mappingReadExtra = 0;    // HostMsgReadText writes this many bytes ("+") more (negative: fewer)
  int64_t mappingWriteExtra = 0;   // HostMsgWriteText puts this many bytes ("+") more (negative: fewer) in place
  intptr_t selectionStateAnswer = 0;  // non-zero: HostMsgGetSelectionState answers this
};

struct FakeWindow {
  std::string className;
  std::string text;  // pane bytes, or the window text of other windows
  FakeWindow* parent = nullptr;
  std::vector<FakeWindow*> children;
  size_t selStart = 0, selEnd = 0;
  std::vector<UndoStep> undo;
  uint32_t processId = 4242;
};

struct JournalEntry {
  const FakeWindow* window;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
  intptr_t result;
  size_t bytes;  // bytes delivered or taken (WM_GETTEXT, EM_REPLACESEL, transfers)
};

struct RecordedMessageBox {
  const FakeWindow* owner;
  std::string text, caption;
  uint32_t type;
};

class FakeDesktop : public PassThroughPlatform {
 public:
  FakeDesktop();
  ~FakeDesktop() override;

  // Building the scene.
  FakeWindow* AddWindow(const std::string& className, FakeWindow* parent = nullptr, const std::string& text = "");
  // A host main window with one pane holding `text`.
  FakeWindow* AddHost(const std::string& text = "", size_t selStart = 0, size_t selEnd = 0);
  FakeWindow* Pane(FakeWindow* main, int index = 0);
  // Foreground answers, one per call; the last one repeats.
  void SetForeground(std::vector<FakeWindow*> sequence) { foreground_.assign(sequence.begin(), sequence.end()); }
  // The pane appears only after this many lookups of it.
  void HidePaneFor(int lookups) { paneHiddenFor_ = lookups; }
  // Version strings by executable path (FileVersion), for the version reader.
  void SetFileVersion(const std::string& path, const std::string& version) { versions_[path] = version; }
  void SetProcessExe(const std::string& path) { processExe_ = path; }
  void SetUserName(const std::string& name) { userName_ = name; }
  Quirks quirks;
  // Called before each message is answered: may change the quirks per message.
  void (*beforeMessage)(void* context, Quirks& quirks, uint32_t message) = nullptr;
  void* beforeMessageContext = nullptr;
  std::string commandLine;  // what GetCommandLineA answers when set
  FakeWindow* activePane = nullptr;  // HostMsgGetActiveEditor answer (null: the first pane)

  // What happened.
  std::vector<JournalEntry> journal;
  std::vector<RecordedMessageBox> messageBoxes;
  uint32_t sleptMs = 0;
  std::vector<std::pair<std::string, uint32_t>> mappingsCreated;  // name, size
  size_t Count(uint32_t message) const;
  std::vector<size_t> Bytes(uint32_t message) const;
  std::vector<uint32_t> Messages(const FakeWindow* window) const;

  // Platform: heaps, modules and mapping views pass through; files and
  // profiles too, at the host's paths translated for this machine.
  const char* GetCommandLineA() override {
    return commandLine.empty() ? real_.GetCommandLineA() : commandLine.c_str();
  }
  void Sleep(uint32_t ms) override { sleptMs += ms; }
  uint32_t GetFileAttributesA(const char* p) override { return real_.GetFileAttributesA(Native(p)); }
  bool GetUserNameA(char* buffer, uint32_t* size) override;
  uint32_t GetPrivateProfileIntA(const char* s, const char* k, int32_t d, const char* f) override {
    return real_.GetPrivateProfileIntA(s, k, d, Native(f));
  }
  uint32_t GetPrivateProfileStringA(const char* s, const char* k, const char* d, char* b, uint32_t n,
                                    const char* f) override {
    return real_.GetPrivateProfileStringA(s, k, d, b, n, Native(f));
  }
  bool WritePrivateProfileStringA(const char* s, const char* k, const char* v, const char* f) override {
    return real_.WritePrivateProfileStringA(s, k, v, Native(f));
  }
  KernelHandle CreateFileMappingA(uint32_t sizeLow, const char* name) override;

  // Windows.
  Window GetForegroundWindow() override;
  int GetClassNameA(Window window, char* buffer, int size) override;
  Window FindWindowA(const char* className, const char* title) override;
  Window FindWindowExA(Window parent, Window childAfter, const char* className, const char* title) override;
  bool IsWindow(Window window) override;
  intptr_t SendMessageA(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  int MessageBoxA(Window owner, const char* text, const char* caption, uint32_t type) override;
  uint32_t GetWindowThreadProcessId(Window window, uint32_t* processId) override;
  uint32_t GetVersionPlatformId() override { return 2; }
  bool BindToolhelp() override { return true; }
  bool BindPsapi() override { return true; }
  bool FindProcessExeBySnapshot(uint32_t pid, char* buffer, uint32_t size) override { return ProcessExe(pid, buffer, size); }
  bool FindProcessExeByModules(uint32_t pid, char* buffer, uint32_t size) override { return ProcessExe(pid, buffer, size); }
  bool BindVersionApi() override { return true; }
  uint32_t GetFileVersionInfoSizeA(const char* path, uint32_t* handle) override;
  bool GetFileVersionInfoA(const char* path, uint32_t handle, uint32_t size, void* block) override;
  bool VerQueryValueA(const void* block, const char* subBlock, void** value, uint32_t* length) override;
  intptr_t DialogBoxParamA(ModuleHandle, int, Window, DialogProc, intptr_t) override { return -1; }
  bool EndDialog(Window, intptr_t) override { return false; }
  bool CheckDlgButton(Window, int, uint32_t) override { return false; }
  uint32_t IsDlgButtonChecked(Window, int) override { return 0; }
  Window GetDlgItem(Window, int) override { return nullptr; }
  bool EnableWindow(Window, bool) override { return false; }
  void SetClassIconFromResource(Window, ModuleHandle, int) override {}
  bool GetWindowRect(Window, Rect*) override { return false; }
  bool GetWorkArea(Rect*) override { return false; }
  bool MoveWindow(Window, int, int, int, int, bool) override { return false; }
  bool AnimateWindowIfPresent(Window, uint32_t, uint32_t) override { return false; }

 private:
  intptr_t PaneMessage(FakeWindow& pane, uint32_t message, uintptr_t wParam, intptr_t lParam, size_t* bytes);
  intptr_t MainMessage(FakeWindow& main, uint32_t message, uintptr_t wParam, intptr_t lParam, size_t* bytes);
  intptr_t Transfer(FakeWindow& main, bool write, bool selectionOnly, intptr_t length, size_t* bytes);
  FakeWindow* ActivePaneOf(FakeWindow& main);
  bool ProcessExe(uint32_t pid, char* buffer, uint32_t size);
  FakeWindow* Find(Window window) const;
  // Windows paths of the host (backslashes) as paths of this machine; the
  // second byte of a two-byte character is never taken for a separator.
  const char* Native(const char* path);
  std::string native_;

  std::vector<std::unique_ptr<FakeWindow>> windows_;
  std::deque<FakeWindow*> foreground_;
  int paneHiddenFor_ = 0;
  std::map<std::string, std::string> versions_;
  std::string processExe_;
  std::string userName_ = "tester";
  std::map<std::string, uint32_t> mappingSizes_;
};

// Installs a FakeDesktop as the platform for the lifetime of a test.
class ScopedFakeDesktop {
 public:
  ScopedFakeDesktop() { SetPlatformForTesting(&desktop); }
  ~ScopedFakeDesktop() { SetPlatformForTesting(nullptr); }
  FakeDesktop desktop;
};

}  // namespace qv::testing
