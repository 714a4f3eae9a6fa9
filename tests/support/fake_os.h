// The one fake of the platform for the tests. Heaps, files, profiles and
// named mappings are the build's own: heaps are counted (by the fake, not by
// address, which a new heap may share with a destroyed one), one heap event
// fails on demand and a heap made with a maximum size cannot grow past it;
// host paths with backslashes become paths of this machine. Around them: a
// desktop with the host editor in it (main windows, the child windows that
// name the host's files, and panes answering as the substitute editor's model
// does, quirks and shared memory included), version resources by path, the
// process behind a window, and a scripted dialog manager. While it lives it
// is every group of the platform (or those a test names), and records what it
// is asked.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "convert/quote_marks.h"
#include "convert/sjis.h"
#include "host/discovery.h"
#include "host/host_contract.h"
#include "host/module_version_info.h"
#include "platform/platform.h"
#include "testhost/editor_model.h"

namespace qv::testing {

using editor::Quirks;

// A pane keeps its bytes, selection and undo in the model; other windows keep their text there.
struct FakeWindow : editor::Pane {
  std::string className;
  FakeWindow* parent = nullptr;
  std::vector<FakeWindow*> children;
};

struct RecordedBox {
  Window owner;
  std::string text, caption;
  uint32_t type;
};

// Heaps are numbered 1, 2, ... in the order they were made.
struct HeapEvent {
  std::string call;
  size_t bytes;
  int heap;
  bool failed;
};

// Strings are keyed "<language><code page>\<name>" in lower-case hex, as queried.
struct VersionResource {
  std::vector<std::pair<uint16_t, uint16_t>> translations;
  std::map<std::string, std::string> strings;
};

// What the user does while the dialog is up. kSet and kUnset change a box
// behind the dialog's back; kCommand sends WM_COMMAND with `id` as wParam.
enum class Act { kClick, kOk, kCancel, kClose, kSet, kUnset, kCommand, kShow };
struct UserAct {
  Act act;
  uintptr_t id = 0;
};
inline UserAct Click(int id) { return {Act::kClick, static_cast<uintptr_t>(id)}; }

class FakeOs final : public Platform {
 public:
  static inline Window const kDialog = reinterpret_cast<Window>(0xD1A106);
  static constexpr intptr_t kStillOpen = 99;  // the script ran out with the dialog up
  static constexpr uint32_t kHostProcessId = 4242;

  // The groups it stands for while it lives.
  enum Group : unsigned { kHeaps = 1, kDesktop = 2, kShared = 4, kSystem = 8, kUi = 16, kAll = 31 };

  explicit FakeOs(unsigned groups = kAll) : real_(NativePlatform()), groups_(groups) {
    for (int id = 1001; id <= 1013; ++id) buttons[id] = Button{};
    Install(true);
    ResetProcessExeLookupForTesting();
  }
  // A fake made while another is installed hands the groups back to it.
  ~FakeOs() override {
    Install(false);
  }
  FakeOs(const FakeOs&) = delete;
  FakeOs& operator=(const FakeOs&) = delete;

  // --- heaps, process, files: what the test sets and reads ------------------
  uint64_t failHeapEvent = 0;  // this one (creations, allocations, reallocations, from 1) fails
  std::vector<HeapEvent> heapLog;
  size_t LiveHeaps() const { return heaps_.size(); }
  std::string commandLine;
  std::optional<std::string> modulePath;  // GetModuleFileNameA's answer, cut short as Win32 cuts
  bool cutUnterminated = false;           // a cut path is not terminated, as on Windows XP
  std::string userName = "tester";
  const char* refuseKey = nullptr;  // WritePrivateProfileStringA fails for this key
  // "box", "write KEY=VALUE", "read KEY FILE", "version PATH", "animate FLAGS MS",
  // "move X Y W H", "redraw", "icon ID", "end N", and the lookups by name.
  std::vector<std::string> journal;
  std::vector<RecordedBox> messageBoxes;
  uint32_t sleptMs = 0;
  // The message boxes' texts; one with another owner, caption or type is marked so.
  std::vector<std::string> BoxTexts(Window owner, uint32_t type) const {
    std::vector<std::string> texts;
    for (const RecordedBox& b : messageBoxes) {
      texts.push_back((b.owner == owner && b.caption == "Quorvel" && b.type == type ? "" : "(elsewhere) ") + b.text);
    }
    return texts;
  }
  size_t Count(std::string_view entry) const {
    return static_cast<size_t>(std::count_if(journal.begin(), journal.end(), [&](auto& j) { return j.starts_with(entry); }));
  }

  // --- the desktop and the host ---------------------------------------------
  std::deque<FakeWindow*> foreground;  // one answer per call; the last repeats
  int paneHiddenFor = 0;               // the pane appears only after this many lookups
  FakeWindow* activePane = nullptr;    // HostMsgGetActiveEditor's answer (null: the first pane)
  std::string processExe;              // the image of the host's process ("": not found)
  uint32_t platformId = win::kVerPlatformWin32Nt;
  bool psapi = true, toolhelp = true;
  int32_t lengthSurplus = 0;   // VerQueryValueA reports string values this much longer (or shorter)
  bool valueOutside = false;   // VerQueryValueA answers a string value outside the block
  std::map<std::string, VersionResource> versions;
  Quirks quirks;
  // Called before each message is answered: may change the quirks per message.
  void (*beforeMessage)(void* context, Quirks& quirks, uint32_t message) = nullptr;
  void* beforeMessageContext = nullptr;
  std::vector<uint32_t> sent;  // the messages the host's windows were sent
  std::vector<std::pair<std::string, uint32_t>> mappingsCreated;  // name, size

  FakeWindow* AddWindow(const std::string& className, FakeWindow* parent = nullptr, const std::string& text = "") {
    auto* w = windows_.emplace_back(new FakeWindow).get();
    w->text = text, w->className = className, w->parent = parent;
    if (parent != nullptr) parent->children.push_back(w);
    return w;
  }
  // A host main window in front with one pane holding `text`.
  FakeWindow* AddHost(const std::string& text = "", size_t selStart = 0, size_t selEnd = 0) {
    FakeWindow* main = AddWindow(host::kMainWindowClass);
    FakeWindow* pane = AddWindow(host::kEditorPaneClass, main, text);
    pane->selStart = selStart;
    pane->selEnd = selEnd;
    foreground.assign(1, main);
    return main;
  }
  FakeWindow* Pane(FakeWindow* main, int index = 0) {
    for (FakeWindow* c : main->children) {
      if (c->className == host::kEditorPaneClass && index-- == 0) return c;
    }
    return nullptr;
  }
  void SetFileVersion(const std::string& path, const std::string& version) {
    versions[path] = {{{0x0411, 0x03A4}}, {{"041103a4\\FileVersion", version}}};
  }
  size_t Count(uint32_t message) const {
    return static_cast<size_t>(std::count(sent.begin(), sent.end(), message));
  }

  // --- the dialog manager -----------------------------------------------------
  struct Button {
    bool checked = false, enabled = true;
  };
  std::map<int, Button> buttons;  // 1001..1013
  std::map<Window, Rect> rects;   // GetWindowRect's answers; other windows fail
  std::optional<Rect> workArea = Rect{0, 0, 1024, 768};
  bool animation = true;
  std::optional<intptr_t> managerAnswer;  // DialogBoxParamA answers this without a dialog
  std::vector<UserAct> script;
  int dialogTemplate = 0;
  Window dialogOwner = nullptr;
  ModuleHandle dialogInstance = nullptr;

  // --- Platform: heaps ----------------------------------------------------------
  HeapHandle HeapCreate(uint32_t options, size_t initialSize, size_t maximumSize) override {
    HeapHandle h = heapLog.size() + 1 == failHeapEvent ? nullptr : real_.HeapCreate(options, initialSize, maximumSize);
    if (h != nullptr) heaps_[h] = Heap{++heapsMade_, maximumSize, 0};
    heapLog.push_back({"HeapCreate", maximumSize, h != nullptr ? heapsMade_ : 0, h == nullptr});
    return h;
  }
  void* HeapAlloc(HeapHandle heap, uint32_t flags, size_t bytes) override {
    return Fails("HeapAlloc", heap, bytes) ? nullptr : real_.HeapAlloc(heap, flags, bytes);
  }
  void* HeapReAlloc(HeapHandle heap, uint32_t flags, void* block, size_t bytes) override {
    return Fails("HeapReAlloc", heap, bytes) ? nullptr : real_.HeapReAlloc(heap, flags, block, bytes);
  }
  bool HeapFree(HeapHandle heap, uint32_t flags, void* block) override { return real_.HeapFree(heap, flags, block); }
  bool HeapDestroy(HeapHandle heap) override {
    heaps_.erase(heap);
    return real_.HeapDestroy(heap);
  }

  // --- Platform: process, files, profiles, mappings -------------------------------
  const char* GetCommandLineA() override { return commandLine.c_str(); }
  ModuleHandle GetModuleHandleA(const char* name) override { return real_.GetModuleHandleA(name); }
  uint32_t GetModuleFileNameA(ModuleHandle module, char* buffer, uint32_t size) override {
    if (!modulePath) return real_.GetModuleFileNameA(module, buffer, size);
    if (buffer == nullptr || size == 0) return 0;
    const auto n = static_cast<uint32_t>(modulePath->size());
    const uint32_t copied = std::min(n, cutUnterminated ? size : size - 1);
    std::memcpy(buffer, modulePath->data(), copied);
    if (copied < size) buffer[copied] = '\0';
    return n < size ? n : size;
  }
  void Sleep(uint32_t ms) override { sleptMs += ms; }
  uint32_t GetFileAttributesA(const char* path) override { return real_.GetFileAttributesA(Native(path)); }
  bool GetUserNameA(char* buffer, uint32_t* size) override {
    if (userName.empty() || userName.size() + 1 > *size) return false;
    std::memcpy(buffer, userName.c_str(), userName.size() + 1);
    *size = static_cast<uint32_t>(userName.size() + 1);
    return true;
  }
  uint32_t GetPrivateProfileIntA(const char* s, const char* k, int32_t d, const char* f) override {
    return real_.GetPrivateProfileIntA(s, k, d, Native(f));
  }
  uint32_t GetPrivateProfileStringA(const char* s, const char* k, const char* d, char* b, uint32_t n,
                                    const char* f) override {
    journal.push_back(std::string("read ") + k + " " + f);
    return real_.GetPrivateProfileStringA(s, k, d, b, n, Native(f));
  }
  bool WritePrivateProfileStringA(const char* s, const char* k, const char* v, const char* f) override {
    journal.push_back(std::string("write ") + k + "=" + v);
    return (refuseKey == nullptr || std::strcmp(k, refuseKey) != 0) &&
           real_.WritePrivateProfileStringA(s, k, v, Native(f));
  }
  KernelHandle CreateFileMappingA(uint32_t sizeLow, const char* name, bool* taken) override {
    KernelHandle h = real_.CreateFileMappingA(sizeLow, name, taken);
    if (h != nullptr && name != nullptr && !*taken) {
      mappingsCreated.emplace_back(name, sizeLow);
      mappingSizes_[name] = sizeLow;
    }
    return h;
  }
  void* MapViewOfFile(KernelHandle m, uint32_t access) override { return real_.MapViewOfFile(m, access); }
  bool UnmapViewOfFile(void* view) override { return real_.UnmapViewOfFile(view); }
  bool CloseHandle(KernelHandle handle) override { return real_.CloseHandle(handle); }

  // --- Platform: windows and the process behind them ---------------------------------
  Window GetForegroundWindow() override {
    if (foreground.empty()) return nullptr;
    FakeWindow* w = foreground.front();
    if (foreground.size() > 1) foreground.pop_front();
    return w;
  }
  int GetClassNameA(Window window, char* buffer, int size) override {
    FakeWindow* w = Find(window);
    if (w == nullptr || size <= 0) return 0;
    const int n = std::min<int>(static_cast<int>(w->className.size()), size - 1);
    std::memcpy(buffer, w->className.data(), static_cast<size_t>(n));
    buffer[n] = '\0';
    return n;
  }
  Window FindWindowA(const char* className, const char*) override {
    for (const auto& w : windows_) {
      if (w->parent == nullptr && w->className == className) return w.get();
    }
    return nullptr;
  }
  Window FindWindowExA(Window parent, Window childAfter, const char* className, const char*) override {
    FakeWindow* p = Find(parent);
    if (p == nullptr || (className == std::string_view(host::kEditorPaneClass) && paneHiddenFor-- > 0)) return nullptr;
    auto from = std::find(p->children.begin(), p->children.end(), childAfter);
    from = from == p->children.end() ? p->children.begin() : from + 1;
    auto it = std::find_if(from, p->children.end(), [&](FakeWindow* c) { return c->className == className; });
    return it != p->children.end() ? *it : nullptr;
  }
  bool IsWindow(Window window) override { return Find(window) != nullptr; }
  intptr_t SendMessageA(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    if (window == kDialog) return proc_ != nullptr ? proc_(window, message, wParam, lParam) : 0;
    FakeWindow* w = Find(window);
    if (w == nullptr) return 0;
    if (beforeMessage != nullptr) beforeMessage(beforeMessageContext, quirks, message);
    intptr_t r = 0;
    if (w->parent != nullptr) {
      editor::PaneMessage(*w, quirks, message, wParam, lParam, &r);
    } else if (FakeWindow* pane = ActivePane(*w); !editor::IsTransfer(message)) {
      editor::MainMessage(*pane, reinterpret_cast<intptr_t>(pane), quirks, message, wParam, lParam, nullptr, 0, &r);
    } else {
      Transfer(*w, *pane, message, wParam, lParam, &r);
    }
    sent.push_back(message);
    return r;
  }
  int MessageBoxA(Window owner, const char* text, const char* caption, uint32_t type) override {
    messageBoxes.push_back({owner, text, caption, type});
    journal.emplace_back("box");
    return win::kIdOk;
  }
  uint32_t GetWindowThreadProcessId(Window window, uint32_t* processId) override {
    *processId = IsWindow(window) ? kHostProcessId : 0;
    return IsWindow(window) ? 1 : 0;
  }
  uint32_t GetVersionPlatformId() override { return Noted("GetVersionPlatformId", platformId); }
  bool BindToolhelp() override { return Noted("BindToolhelp", toolhelp); }
  bool BindPsapi() override { return Noted("BindPsapi", psapi); }
  bool FindProcessExeBySnapshot(uint32_t pid, char* b, uint32_t n) override { return ProcessExe("snapshot", pid, b, n); }
  bool FindProcessExeByModules(uint32_t pid, char* b, uint32_t n) override { return ProcessExe("modules", pid, b, n); }

  // --- Platform: version resources ------------------------------------------------
  bool BindVersionApi() override { return Noted("BindVersionApi", true); }
  uint32_t GetFileVersionInfoSizeA(const char* path, uint32_t* handle) override {
    journal.push_back(std::string("version ") + path);
    *handle = 0;
    auto it = versions.find(path);
    return it == versions.end() ? 0 : static_cast<uint32_t>(VersionBlock(it->second).size());
  }
  bool GetFileVersionInfoA(const char* path, uint32_t, uint32_t size, void* block) override {
    auto it = versions.find(Noted("GetFileVersionInfoA", path));
    if (it == versions.end() || size < VersionBlock(it->second).size()) return false;
    const std::string bytes = VersionBlock(it->second);
    std::memcpy(block, bytes.data(), bytes.size());
    tableBytes_ = static_cast<uint32_t>(it->second.translations.size() * 4);
    return true;
  }
  bool VerQueryValueA(const void* block, const char* subBlock, void** value, uint32_t* length) override {
    if (block == nullptr) std::abort();  // the real one reads the block it is given
    char* b = static_cast<char*>(const_cast<void*>(block));
    const std::string_view query = subBlock;
    if (query == "\\VarFileInfo\\Translation") {
      *value = b;
      *length = tableBytes_;
      return tableBytes_ != 0;
    }
    for (char* p = b + tableBytes_; *p != '\0'; p += std::strlen(p) + 1) {
      char* v = p + std::strlen(p) + 1;
      if (query == "\\StringFileInfo\\" + std::string(p)) {
        *value = valueOutside ? static_cast<void*>(&lengthSurplus) : v;
        *length = static_cast<uint32_t>(static_cast<int64_t>(std::strlen(v)) + 1 + lengthSurplus);
        return true;
      }
      p = v;
    }
    return false;
  }

  // --- Platform: dialogs --------------------------------------------------------------
  intptr_t DialogBoxParamA(ModuleHandle instance, int templateId, Window owner, DialogProc proc,
                           intptr_t param) override {
    dialogInstance = instance;
    dialogTemplate = templateId;
    dialogOwner = owner;
    if (managerAnswer) return *managerAnswer;
    proc_ = proc;
    ended_.reset();
    proc_(kDialog, win::kWmInitDialog, 0, param);
    if (!ended_) proc_(kDialog, win::kWmShowWindow, 1, 0);
    for (auto a = script.begin(); a != script.end() && !ended_; ++a) Perform(*a);
    proc_ = nullptr;
    return ended_.value_or(kStillOpen);
  }
  bool EndDialog(Window dialog, intptr_t result) override {
    journal.push_back("end " + std::to_string(result));
    if (!ended_) ended_ = result;
    return dialog == kDialog;
  }
  bool CheckDlgButton(Window dialog, int id, uint32_t state) override {
    auto it = buttons.find(id);
    if (dialog != kDialog || it == buttons.end()) return false;
    it->second.checked = state == win::kBstChecked;
    return true;
  }
  uint32_t IsDlgButtonChecked(Window dialog, int id) override {
    return dialog == kDialog && buttons.count(id) != 0 && buttons[id].checked ? win::kBstChecked : win::kBstUnchecked;
  }
  Window GetDlgItem(Window dialog, int id) override {
    return dialog == kDialog && buttons.count(id) != 0 ? reinterpret_cast<Window>(&buttons[id]) : nullptr;
  }
  bool EnableWindow(Window window, bool enable) override {
    if (window == nullptr) return false;
    static_cast<Button*>(window)->enabled = enable;
    return true;
  }
  void SetClassIconFromResource(Window, ModuleHandle, int iconId) override {
    journal.push_back("icon " + std::to_string(iconId));
  }
  bool GetWindowRect(Window window, Rect* rect) override {
    if (rects.count(window) == 0) return false;
    *rect = rects[window];
    return true;
  }
  bool GetWorkArea(Rect* rect) override {
    if (workArea) *rect = *workArea;
    return workArea.has_value();
  }
  bool MoveWindow(Window window, int x, int y, int width, int height, bool repaint) override {
    char entry[96];
    std::snprintf(entry, sizeof entry, "move %s%d %d %d %d%s", window == kDialog ? "" : "other ", x, y, width, height,
                  repaint ? " repaint" : "");
    return Noted(entry, true);
  }
  bool AnimateWindowIfPresent(Window, uint32_t milliseconds, uint32_t flags) override {
    if (animation) journal.push_back("animate " + std::to_string(flags) + " " + std::to_string(milliseconds));
    return animation;
  }
  bool RedrawWindow(Window window) override { return Noted("redraw", window == kDialog); }
  [[noreturn]] void ExitProcess(int exitCode) override {
    real_.ExitProcess(exitCode);
    std::abort();
  }

 private:
  struct Heap {
    int number;
    size_t maximum, used;
  };

  template <typename T>
  T Noted(const char* what, T answer) {
    journal.emplace_back(what);
    return answer;
  }
  bool Fails(const char* call, HeapHandle heap, size_t bytes) {
    auto it = heaps_.find(heap);
    bool fails = heapLog.size() + 1 == failHeapEvent;
    if (it != heaps_.end()) {
      Heap& h = it->second;
      fails = fails || (h.maximum != 0 && h.used + bytes > h.maximum);
      if (!fails) h.used += bytes;
    }
    heapLog.push_back({call, bytes, it != heaps_.end() ? it->second.number : 0, fails});
    return fails;
  }
  // Host paths are Windows paths; the second byte of a two-byte character is
  // never taken for a separator.
  const char* Native(const char* path) {
    native_ = path;
    for (size_t i = 0; i < native_.size(); ++i) {
      const auto c = static_cast<unsigned char>(native_[i]);
      if (sjis::IsLead(c) && i + 1 < native_.size()) ++i;
      else if (c == '\\') native_[i] = '/';
    }
    return native_.c_str();
  }
  bool ProcessExe(const char* road, uint32_t pid, char* buffer, uint32_t size) {
    if (Noted(road, processExe.empty()) || pid != kHostProcessId) return false;
    std::strncpy(buffer, processExe.c_str(), size);
    return true;
  }
  // The block GetFileVersionInfoA hands out: the translation table right at
  // its start, then "key\0value\0" pairs and a NUL, so that every answer of
  // VerQueryValueA points into the block as the real one's do.
  static std::string VersionBlock(const VersionResource& r) {
    std::string out;
    for (auto [language, codePage] : r.translations) {
      for (uint16_t v : {language, codePage}) out += {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    }
    for (const auto& [key, value] : r.strings) out += key + '\0' + value + '\0';
    return out + '\0';
  }
  FakeWindow* Find(Window window) const {
    for (const auto& w : windows_) {
      if (w.get() == window) return w.get();
    }
    return nullptr;
  }
  FakeWindow* ActivePane(FakeWindow& main) {
    return activePane != nullptr ? activePane : Pane(&main);
  }
  // The host's side of the shared memory: opens the section by its name.
  void Transfer(FakeWindow& main, FakeWindow& pane, uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* r) {
    const host::MappingName name = host::MappingNameOf(&main);
    auto size = mappingSizes_.find(name.text);
    bool taken = false;
    KernelHandle m = size != mappingSizes_.end() ? real_.CreateFileMappingA(size->second, name.text, &taken) : nullptr;
    char* view = m != nullptr ? static_cast<char*>(real_.MapViewOfFile(m, win::kFileMapWrite)) : nullptr;
    editor::MainMessage(pane, 0, quirks, message, wParam, lParam, view, view != nullptr ? size->second : 0, r);
    if (view != nullptr) real_.UnmapViewOfFile(view);
    if (m != nullptr) real_.CloseHandle(m);
  }
  void Perform(const UserAct& a) {
    const int id = static_cast<int>(a.id);
    switch (a.act) {
      case Act::kClick:
        if (!buttons[id].enabled) return;  // a greyed box takes no click
        buttons[id].checked = !buttons[id].checked;
        if (id == 1001 || id == 1002) buttons[1001].checked = id == 1001, buttons[1002].checked = id == 1002;
        return Perform({Act::kCommand, a.id});  // BN_CLICKED is 0 in the high word
      case Act::kOk: return Perform({Act::kCommand, win::kIdOk});
      // The cancel button, and Esc as the dialog manager turns it into IDCANCEL.
      case Act::kCancel: return Perform({Act::kCommand, win::kIdCancel});
      case Act::kClose: proc_(kDialog, win::kWmClose, 0, 0); return;
      case Act::kSet: buttons[id].checked = true; return;
      case Act::kUnset: buttons[id].checked = false; return;
      case Act::kCommand: proc_(kDialog, win::kWmCommand, a.id, 0); return;
      case Act::kShow: proc_(kDialog, win::kWmShowWindow, 0, 0); return;
    }
  }

  // Installs itself as the groups it stands for, or gives them back to those
  // it replaced.
  void Install(bool on) {
    if (groups_ & kHeaps) Swap<Heaps>(on, previous_.heaps);
    if (groups_ & kDesktop) Swap<HostWindows>(on, previous_.desktop);
    if (groups_ & kShared) Swap<SharedMemory>(on, previous_.shared);
    if (groups_ & kSystem) Swap<System>(on, previous_.system);
    if (groups_ & kUi) Swap<Ui>(on, previous_.ui);
  }
  template <typename Group>
  void Swap(bool on, Group*& previous) {
    Group& native = real_;
    if (on) {
      Group& current = GroupInUse<Group>();
      previous = &current == &native ? nullptr : &current;
      SetForTesting(static_cast<Group*>(this));
    } else {
      SetForTesting(previous);
    }
  }
  template <typename Group>
  static Group& GroupInUse() {
    if constexpr (std::is_same_v<Group, Heaps>) return Mem();
    else if constexpr (std::is_same_v<Group, HostWindows>) return Desktop();
    else if constexpr (std::is_same_v<Group, SharedMemory>) return Shared();
    else if constexpr (std::is_same_v<Group, System>) return Sys();
    else return Gui();
  }

  Platform& real_;
  unsigned groups_;
  struct {
    Heaps* heaps = nullptr;
    HostWindows* desktop = nullptr;
    SharedMemory* shared = nullptr;
    System* system = nullptr;
    Ui* ui = nullptr;
  } previous_;
  std::map<HeapHandle, Heap> heaps_;
  int heapsMade_ = 0;
  std::string native_;
  std::vector<std::unique_ptr<FakeWindow>> windows_;
  std::map<std::string, uint32_t> mappingSizes_;
  uint32_t tableBytes_ = 0;  // of the version block read last
  DialogProc proc_ = nullptr;
  std::optional<intptr_t> ended_;
};

}  // namespace qv::testing
