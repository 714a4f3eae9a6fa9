// A platform for the dialog tests: a scripted dialog manager with buttons
// that keep their check and enable state, recorded message boxes, window
// rectangles, animations and class icons, and an own-module path of the
// test's choosing. Files (the profile functions) go to the real platform.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/pass_through_platform.h"

namespace qv::testing {

struct RecordedBox {
  Window owner;
  std::string text;
  std::string caption;
  uint32_t type;
};

struct RecordedMove {
  Window window;
  int x, y, width, height;
  bool repaint;
};

struct FakeButton {
  bool checked = false;
  bool enabled = true;
};

// What the user does while the fake dialog is up.
enum class Act { kClick, kOk, kCancelButton, kEsc, kCloseBox };
struct UserAct {
  Act act;
  int id = 0;  // for kClick
};

inline UserAct Click(int id) { return {Act::kClick, id}; }
inline constexpr UserAct kPressOk{Act::kOk};
inline constexpr UserAct kPressCancel{Act::kCancelButton};
inline constexpr UserAct kPressEsc{Act::kEsc};
inline constexpr UserAct kPressClose{Act::kCloseBox};

class FakeDialogPlatform : public PassThroughPlatform {
 public:
  static constexpr intptr_t kStillOpen = 99;  // the script ran out with the dialog up

  FakeDialogPlatform();
  ~FakeDialogPlatform() override;

  // --- what the test sets up ---
  std::optional<std::string> modulePath;  // GetModuleFileNameA's answer (Win32 truncation)
  std::map<Window, Rect> windowRects;     // GetWindowRect answers; absent windows fail
  Rect workArea{0, 0, 1024, 768};
  bool animateAvailable = true;
  bool failCreate = false;                 // DialogBoxParamA answers -1 without a dialog
  const char* refuseKey = nullptr;         // WritePrivateProfileStringA fails for this key
  std::optional<intptr_t> managerAnswer;  // DialogBoxParamA answers this instead of the end value
  std::vector<UserAct> script;
  // Called after WM_INITDIALOG, before the script (to change the buttons by hand).
  void (*afterOpen)(FakeDialogPlatform&) = nullptr;

  // --- what the test reads ---
  static inline Window const kDialog = reinterpret_cast<Window>(0xD1A106);
  std::map<int, FakeButton> buttons;
  std::vector<RecordedBox> boxes;
  std::vector<RecordedMove> moves;
  std::vector<uint32_t> animations;
  std::vector<std::string> journal;  // "write KEY=VALUE", "animate FLAGS", "end N", "box"
  std::vector<intptr_t> endValues;
  int iconId = 0;
  ModuleHandle iconModule = nullptr;
  Window dialogOwner = nullptr;
  int dialogTemplate = 0;
  ModuleHandle dialogInstance = nullptr;
  int messagesAfterEnd = 0;

  static Window ItemHandle(int id) { return reinterpret_cast<Window>(static_cast<uintptr_t>(0x70000 + id)); }
  bool Checked(int id) const;
  bool Enabled(int id) const;
  // The dialog's automatic buttons: a radio button of 1001/1002 clears the other.
  void UserClick(int id);

  // Heaps, files and profile reads pass through; the rest is staged here.
  const char* GetCommandLineA() override { return "Quorvel.exe"; }
  ModuleHandle GetModuleHandleA(const char* n) override;
  uint32_t GetModuleFileNameA(ModuleHandle m, char* b, uint32_t s) override;
  void Sleep(uint32_t) override {}
  bool WritePrivateProfileStringA(const char* s, const char* k, const char* v, const char* f) override;
  KernelHandle CreateFileMappingA(uint32_t, const char*) override { return nullptr; }
  void* MapViewOfFile(KernelHandle, uint32_t) override { return nullptr; }
  bool UnmapViewOfFile(void*) override { return false; }
  bool CloseHandle(KernelHandle) override { return false; }
  Window GetForegroundWindow() override { return nullptr; }
  int GetClassNameA(Window, char*, int) override { return 0; }
  Window FindWindowA(const char*, const char*) override { return nullptr; }
  Window FindWindowExA(Window, Window, const char*, const char*) override { return nullptr; }
  bool IsWindow(Window w) override { return w == kDialog; }
  intptr_t SendMessageA(Window w, uint32_t msg, uintptr_t wp, intptr_t lp) override;
  int MessageBoxA(Window owner, const char* text, const char* caption, uint32_t type) override;
  uint32_t GetWindowThreadProcessId(Window, uint32_t*) override { return 0; }
  uint32_t GetVersionPlatformId() override { return 0; }
  bool BindToolhelp() override { return false; }
  bool BindPsapi() override { return false; }
  bool FindProcessExeBySnapshot(uint32_t, char*, uint32_t) override { return false; }
  bool FindProcessExeByModules(uint32_t, char*, uint32_t) override { return false; }
  bool BindVersionApi() override { return false; }
  uint32_t GetFileVersionInfoSizeA(const char*, uint32_t*) override { return 0; }
  bool GetFileVersionInfoA(const char*, uint32_t, uint32_t, void*) override { return false; }
  bool VerQueryValueA(const void*, const char*, void**, uint32_t*) override { return false; }
  intptr_t DialogBoxParamA(ModuleHandle instance, int templateId, Window owner, DialogProc proc,
                           intptr_t param) override;
  bool EndDialog(Window dialog, intptr_t result) override;
  bool CheckDlgButton(Window dialog, int id, uint32_t state) override;
  uint32_t IsDlgButtonChecked(Window dialog, int id) override;
  Window GetDlgItem(Window dialog, int id) override;
  bool EnableWindow(Window window, bool enable) override;
  void SetClassIconFromResource(Window window, ModuleHandle instance, int iconId) override;
  bool GetWindowRect(Window window, Rect* rect) override;
  bool GetWorkArea(Rect* rect) override;
  bool MoveWindow(Window window, int x, int y, int width, int height, bool repaint) override;
  bool AnimateWindowIfPresent(Window window, uint32_t milliseconds, uint32_t flags) override;
  bool RedrawWindow(Window window) override {
    if (window == kDialog) journal.push_back("redraw");
    return true;
  }

 private:
  Platform* previous_;
  DialogProc proc_ = nullptr;
  bool ended_ = false;
  intptr_t endValue_ = 0;
};

}  // namespace qv::testing
