#include "tests/support/fake_desktop.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/host_contract.h"

namespace qv::testing {
namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

void Clamp(FakeWindow& p) {
  p.selStart = std::min(p.selStart, p.text.size());
  p.selEnd = std::min(p.selEnd, p.text.size());
  if (p.selEnd < p.selStart) std::swap(p.selStart, p.selEnd);
}

// Replaces the selection as one undo step; the caret goes after the insertion.
void ReplaceSelection(FakeWindow& p, const std::string& bytes) {
  Clamp(p);
  UndoStep step{p.selStart, p.text.substr(p.selStart, p.selEnd - p.selStart), bytes, p.selStart, p.selEnd};
  p.text.replace(p.selStart, p.selEnd - p.selStart, bytes);
  p.selStart = p.selEnd = step.pos + bytes.size();
  p.undo.push_back(std::move(step));
}

// The text with `extra` bytes "+" more, or -extra bytes fewer at its end.
std::string Resized(std::string t, int64_t extra) {
  if (extra >= 0) return t + std::string(static_cast<size_t>(extra), '+');
  t.resize(t.size() - std::min(t.size(), static_cast<size_t>(-extra)));
  return t;
}

// The layout GetFileVersionInfoA hands out here: translation, then the text.
constexpr uint32_t kVersionTextAt = 4;

}  // namespace

FakeDesktop::FakeDesktop() = default;
FakeDesktop::~FakeDesktop() = default;

FakeWindow* FakeDesktop::AddWindow(const std::string& className, FakeWindow* parent, const std::string& text) {
  windows_.push_back(std::make_unique<FakeWindow>());
  FakeWindow* w = windows_.back().get();
  w->className = className;
  w->text = text;
  w->parent = parent;
  if (parent != nullptr) parent->children.push_back(w);
  return w;
}

FakeWindow* FakeDesktop::AddHost(const std::string& text, size_t selStart, size_t selEnd) {
  FakeWindow* main = AddWindow(host::kMainWindowClass);
  FakeWindow* pane = AddWindow(host::kEditorPaneClass, main, text);
  pane->selStart = selStart;
  pane->selEnd = selEnd;
  foreground_.assign(1, main);
  return main;
}

FakeWindow* FakeDesktop::Pane(FakeWindow* main, int index) {
  for (FakeWindow* c : main->children) {
    if (c->className == host::kEditorPaneClass && index-- == 0) return c;
  }
  return nullptr;
}

size_t FakeDesktop::Count(uint32_t message) const {
  return static_cast<size_t>(
      std::count_if(journal.begin(), journal.end(), [&](const JournalEntry& e) { return e.message == message; }));
}

std::vector<size_t> FakeDesktop::Bytes(uint32_t message) const {
  std::vector<size_t> out;
  for (const JournalEntry& e : journal) {
    if (e.message == message) out.push_back(e.bytes);
  }
  return out;
}

std::vector<uint32_t> FakeDesktop::Messages(const FakeWindow* window) const {
  std::vector<uint32_t> out;
  for (const JournalEntry& e : journal) {
    if (e.window == window) out.push_back(e.message);
  }
  return out;
}

const char* FakeDesktop::Native(const char* path) {
  if (path == nullptr) return nullptr;
  native_ = path;
  for (size_t i = 0; i < native_.size(); ++i) {
    const auto c = static_cast<unsigned char>(native_[i]);
    if (IsLead(c) && i + 1 < native_.size()) {
      ++i;
    } else if (c == '\\') {
      native_[i] = '/';
    }
  }
  return native_.c_str();
}

FakeWindow* FakeDesktop::Find(Window window) const {
  for (const auto& w : windows_) {
    if (w.get() == window) return w.get();
  }
  return nullptr;
}

bool FakeDesktop::GetUserNameA(char* buffer, uint32_t* size) {
  if (buffer == nullptr || size == nullptr || userName_.size() + 1 > *size) return false;
  std::memcpy(buffer, userName_.c_str(), userName_.size() + 1);
  *size = static_cast<uint32_t>(userName_.size() + 1);
  return !userName_.empty();
}

KernelHandle FakeDesktop::CreateFileMappingA(uint32_t sizeLow, const char* name) {
  KernelHandle h = real_.CreateFileMappingA(sizeLow, name);
  if (h != nullptr && name != nullptr && real_.GetLastError() == 0) {
    mappingsCreated.emplace_back(name, sizeLow);
    mappingSizes_[name] = sizeLow;
  }
  return h;
}

Window FakeDesktop::GetForegroundWindow() {
  if (foreground_.empty()) return nullptr;
  FakeWindow* w = foreground_.front();
  if (foreground_.size() > 1) foreground_.pop_front();
  return w;
}

int FakeDesktop::GetClassNameA(Window window, char* buffer, int size) {
  FakeWindow* w = Find(window);
  if (w == nullptr || buffer == nullptr || size <= 0) return 0;
  const int n = std::min<int>(static_cast<int>(w->className.size()), size - 1);
  std::memcpy(buffer, w->className.data(), static_cast<size_t>(n));
  buffer[n] = '\0';
  return n;
}

Window FakeDesktop::FindWindowA(const char* className, const char*) {
  for (const auto& w : windows_) {
    if (w->parent == nullptr && w->className == className) return w.get();
  }
  return nullptr;
}

Window FakeDesktop::FindWindowExA(Window parent, Window childAfter, const char* className, const char*) {
  FakeWindow* p = Find(parent);
  if (p == nullptr) return nullptr;
  if (className == std::string(host::kEditorPaneClass) && paneHiddenFor_ > 0) {
    --paneHiddenFor_;
    return nullptr;
  }
  bool after = childAfter == nullptr;
  for (FakeWindow* c : p->children) {
    if (!after) {
      after = c == childAfter;
      continue;
    }
    if (c->className == className) return c;
  }
  return nullptr;
}

bool FakeDesktop::IsWindow(Window window) { return Find(window) != nullptr; }

int FakeDesktop::MessageBoxA(Window owner, const char* text, const char* caption, uint32_t type) {
  messageBoxes.push_back({Find(owner), text ? text : "", caption ? caption : "", type});
  return 1;
}

uint32_t FakeDesktop::GetWindowThreadProcessId(Window window, uint32_t* processId) {
  FakeWindow* w = Find(window);
  if (processId != nullptr) *processId = w != nullptr ? w->processId : 0;
  return w != nullptr ? 1 : 0;
}

bool FakeDesktop::ProcessExe(uint32_t pid, char* buffer, uint32_t size) {
  if (processExe_.empty() || pid != 4242 || size == 0) return false;
  std::strncpy(buffer, processExe_.c_str(), size);
  return true;
}

uint32_t FakeDesktop::GetFileVersionInfoSizeA(const char* path, uint32_t* handle) {
  if (handle != nullptr) *handle = 0;
  auto it = versions_.find(path != nullptr ? path : "");
  return it == versions_.end() ? 0 : static_cast<uint32_t>(kVersionTextAt + it->second.size() + 1);
}

bool FakeDesktop::GetFileVersionInfoA(const char* path, uint32_t, uint32_t size, void* block) {
  auto it = versions_.find(path != nullptr ? path : "");
  if (it == versions_.end() || size < kVersionTextAt + it->second.size() + 1) return false;
  auto* b = static_cast<unsigned char*>(block);
  const unsigned char translation[4] = {0x11, 0x04, 0xA4, 0x03};  // Japanese, code page 932
  std::memcpy(b, translation, 4);
  std::memcpy(b + kVersionTextAt, it->second.c_str(), it->second.size() + 1);
  return true;
}

bool FakeDesktop::VerQueryValueA(const void* block, const char* subBlock, void** value, uint32_t* length) {
  auto* b = static_cast<unsigned char*>(const_cast<void*>(block));
  const std::string query = subBlock;
  if (query == "\\VarFileInfo\\Translation") {
    *value = b;
    *length = 4;
    return true;
  }
  if (query == "\\StringFileInfo\\041103a4\\FileVersion") {
    *value = b + kVersionTextAt;
    *length = static_cast<uint32_t>(std::strlen(reinterpret_cast<char*>(b + kVersionTextAt)) + 1);
    return true;
  }
  return false;
}

intptr_t FakeDesktop::SendMessageA(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  FakeWindow* w = Find(window);
  if (w == nullptr) return 0;
  if (beforeMessage != nullptr) beforeMessage(beforeMessageContext, quirks, message);
  size_t bytes = 0;
  const intptr_t r = w->parent == nullptr ? MainMessage(*w, message, wParam, lParam, &bytes)
                                          : PaneMessage(*w, message, wParam, lParam, &bytes);
  journal.push_back({w, message, wParam, lParam, r, bytes});
  return r;
}

FakeWindow* FakeDesktop::ActivePaneOf(FakeWindow& main) { return activePane != nullptr ? activePane : Pane(&main); }

intptr_t FakeDesktop::MainMessage(FakeWindow& main, uint32_t message, uintptr_t wParam, intptr_t lParam,
                                  size_t* bytes) {
  switch (message) {
    case host::kMsgGetActiveEditor:
      return reinterpret_cast<intptr_t>(ActivePaneOf(main));
    case host::kMsgGetSelectionState: {
      if (quirks.selectionStateAnswer != 0) return quirks.selectionStateAnswer;
      FakeWindow* p = ActivePaneOf(main);
      Clamp(*p);
      return p->selStart == p->selEnd ? -1 : 1;
    }
    case host::kMsgReadText:
    case host::kMsgWriteText:
      return Transfer(main, message == host::kMsgWriteText, wParam != 0, lParam, bytes);
  }
  return 0;
}

// The host's side of the shared memory: opens the section by its name.
intptr_t FakeDesktop::Transfer(FakeWindow& main, bool write, bool selectionOnly, intptr_t length, size_t* bytes) {
  if (quirks.refuseMapping || (write && quirks.refuseMappingWrite)) return 0;
  char name[64];
  std::snprintf(name, sizeof name, "%s%u", host::kMappingPrefix, host::MappingHandleValue(&main));
  auto size = mappingSizes_.find(name);
  if (size == mappingSizes_.end()) return 0;
  KernelHandle m = real_.CreateFileMappingA(size->second, name);
  if (m == nullptr) return 0;
  char* view = static_cast<char*>(real_.MapViewOfFile(m, win::kFileMapWrite));
  intptr_t ok = 0;
  FakeWindow* p = ActivePaneOf(main);
  Clamp(*p);
  if (view != nullptr) {
    if (write) {
      const auto n = static_cast<size_t>(length);
      if (length >= 0 && n < size->second && view[n] == '\0') {
        if (!selectionOnly) p->selStart = 0, p->selEnd = p->text.size();
        ReplaceSelection(*p, Resized(std::string(view, n), quirks.mappingWriteExtra));
        *bytes = n;
        ok = 1;
      }
    } else {
      std::string t = selectionOnly ? p->text.substr(p->selStart, p->selEnd - p->selStart) : p->text;
      t = Resized(t, quirks.mappingReadExtra);
      if (t.size() < size->second) {
        std::memcpy(view, t.c_str(), t.size() + 1);
        *bytes = t.size();
        ok = 1;
      }
    }
    real_.UnmapViewOfFile(view);
  }
  real_.CloseHandle(m);
  return ok;
}

intptr_t FakeDesktop::PaneMessage(FakeWindow& p, uint32_t message, uintptr_t wParam, intptr_t lParam,
                                  size_t* bytes) {
  switch (message) {
    case win::kEmGetSel: {
      Clamp(p);
      auto s = static_cast<uint32_t>(static_cast<int64_t>(p.selStart) + quirks.selectionOffset);
      auto e = static_cast<uint32_t>(static_cast<int64_t>(p.selEnd) + quirks.selectionOffset);
      if (quirks.reversedSelection) std::swap(s, e);
      if (wParam != 0) *reinterpret_cast<uint32_t*>(wParam) = s;
      if (lParam != 0) *reinterpret_cast<uint32_t*>(lParam) = e;
      return static_cast<intptr_t>(std::min<uint32_t>(s, 0xFFFF) | std::min<uint32_t>(e, 0xFFFF) << 16);
    }
    case win::kEmSetSel: {
      const int64_t n = static_cast<int64_t>(p.text.size());
      int64_t s = static_cast<int32_t>(wParam);
      int64_t e = static_cast<int32_t>(lParam);
      if (s < 0) {
        p.selStart = p.selEnd = p.text.size();
        return 0;
      }
      if (e < 0 || e > n) e = n;
      s = std::min(s, n);
      if (s > e) std::swap(s, e);
      p.selStart = static_cast<size_t>(s);
      p.selEnd = static_cast<size_t>(e);
      return 0;
    }
    case win::kWmGetTextLength:
      return static_cast<intptr_t>(p.text.size()) + quirks.lengthOffset;
    case win::kWmGetText: {
      if (quirks.growOnRead) p.text += "+";
      if (wParam == 0 || lParam == 0) return 0;
      size_t n = std::min<size_t>(wParam - 1, p.text.size());
      if (quirks.gettextLimit >= 0) n = std::min<size_t>(n, static_cast<size_t>(quirks.gettextLimit));
      auto* buffer = reinterpret_cast<char*>(lParam);
      std::memcpy(buffer, p.text.data(), n);
      buffer[n] = '\0';
      *bytes = n;
      return static_cast<intptr_t>(n);
    }
    case win::kWmClear: {
      Clamp(p);
      if (quirks.clearIgnored) return 0;
      p.selEnd = static_cast<size_t>(std::clamp<int64_t>(static_cast<int64_t>(p.selEnd) + quirks.clearExtra,
                                                         static_cast<int64_t>(p.selStart),
                                                         static_cast<int64_t>(p.text.size())));
      if (p.selStart != p.selEnd) ReplaceSelection(p, std::string());
      return 0;
    }
    case win::kEmUndo: {
      if (p.undo.empty() || (quirks.undoIgnored && !p.undo.back().inserted.empty())) return 0;
      UndoStep s = std::move(p.undo.back());
      p.undo.pop_back();
      p.text.replace(s.pos, s.inserted.size(), s.removed);
      p.selStart = s.selStart;
      p.selEnd = s.selEnd;
      return 1;
    }
    case win::kEmReplaceSel: {
      if (lParam == 0) return 0;
      std::string t(reinterpret_cast<const char*>(lParam));
      if (quirks.replaceLimit >= 0 && t.size() > static_cast<size_t>(quirks.replaceLimit)) {
        // Never splits a two-byte character.
        size_t i = 0;
        while (i < static_cast<size_t>(quirks.replaceLimit)) {
          const size_t step = IsLead(static_cast<unsigned char>(t[i])) && i + 1 < t.size() ? 2 : 1;
          if (i + step > static_cast<size_t>(quirks.replaceLimit)) break;
          i += step;
        }
        t.resize(i);
      }
      if (quirks.replaceIgnored) return 0;
      ReplaceSelection(p, Resized(t, quirks.replaceExtra));
      *bytes = t.size();
      return 0;
    }
  }
  return 0;
}

}  // namespace qv::testing
