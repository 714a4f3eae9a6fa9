#include "host/editor_link.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/discovery.h"
#include "host/host_contract.h"
#include "host/module_version_info.h"

namespace qv {
namespace {

constexpr uint32_t kPollInterval = 50;  // ms between two looks
constexpr uint32_t kPollLimit = 2500;   // ms before giving up
constexpr int32_t kPiece = host::kReadPieceSize;
constexpr int64_t kMaxTextLength = INT32_MAX;  // positions are 32-bit

intptr_t Send(Window window, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
  return Os().SendMessageA(window, message, wParam, lParam);
}

// Positions go to the pane as 32-bit values; sign-extended like the host's own.
uintptr_t AsWParam(int64_t value) { return static_cast<uintptr_t>(static_cast<intptr_t>(value)); }

int64_t ClampPosition(int64_t value) { return std::clamp<int64_t>(value, INT32_MIN, INT32_MAX); }

void SelectRange(Window pane, int64_t start, int64_t end) {
  Send(pane, win::kEmSetSel, AsWParam(ClampPosition(start)), static_cast<intptr_t>(ClampPosition(end)));
}

// The host main window in front: polled 50 times, 50 ms apart.
Window FindHostMainWindow() {
  for (uint32_t waited = 0; waited < kPollLimit; waited += kPollInterval) {
    Window w = Os().GetForegroundWindow();
    char className[kPathBufferSize];
    std::memset(className, 0, sizeof className);
    Os().GetClassNameA(w, className, sizeof className - 1);
    if (std::strcmp(className, host::kMainWindowClass) == 0) return w;
    if (std::strcmp(className, host::kOniWindowClass) == 0) return Os().FindWindowA(host::kMainWindowClass, nullptr);
    Os().Sleep(kPollInterval);
  }
  return nullptr;
}

Window WaitForPane(Window main) {
  for (uint32_t waited = 0; waited < kPollLimit; waited += kPollInterval) {
    Window pane = Os().FindWindowExA(main, nullptr, host::kEditorPaneClass, nullptr);
    if (pane != nullptr) return pane;
    Os().Sleep(kPollInterval);
  }
  return nullptr;
}

// A child window's text used as a path: only when it fits the path buffers.
bool UsablePath(const char* text) { return text != nullptr && std::strlen(text) < kPathBufferSize; }

// The host's transfers work on its active pane, so the link follows it there.
Window ChooseEditPane(Window main) {
  Window first = Os().FindWindowExA(main, nullptr, host::kEditorPaneClass, nullptr);
  if (first == nullptr) return nullptr;
  Window second = Os().FindWindowExA(main, first, host::kEditorPaneClass, nullptr);
  if (second == nullptr) return first;
  const intptr_t active = Send(main, host::kMsgGetActiveEditor);
  return reinterpret_cast<Window>(active) == second ? second : first;
}

// One WM_GETTEXT of at most `want` bytes into `at` (which has room for them
// and a NUL). The count reported is trusted only as far as the bytes agree.
// Returns the bytes delivered, or -1 when the answer does not add up.
int32_t ReadPiece(Window pane, char* at, int32_t want) {
  const intptr_t reported = Send(pane, win::kWmGetText, static_cast<uintptr_t>(want) + 1, reinterpret_cast<intptr_t>(at));
  at[want] = '\0';
  if (reported < 0 || reported > want) return -1;
  const auto got = static_cast<int32_t>(reported);
  if (static_cast<int32_t>(strnlen(at, static_cast<size_t>(got))) != got) return -1;
  at[got] = '\0';
  return got;
}

// Re-measures the pane after EM_REPLACESEL and sends the rest while it grows.
// `base` is the pane's length without the inserted text. True when all
// `length` bytes went in; *inserted is how many did (0..length).
bool InsertRest(EditorLink& link, const char* text, int64_t length, int64_t base, int64_t* inserted) {
  int64_t previous = 0;
  int64_t got = link.GetTextLength();
  got = got < 0 ? -1 : got - base;
  while (got > previous && got < length) {
    Send(link.currentPane, win::kEmReplaceSel, 0, reinterpret_cast<intptr_t>(text + got));
    previous = got;
    const int32_t measured = link.GetTextLength();
    got = measured < 0 ? -1 : measured - base;
  }
  // A measure outside 0..length cannot be squared with what was sent.
  *inserted = std::clamp<int64_t>(got, 0, length);
  return got == length;
}

// The whole text through the mapping or, failing that, edit-control messages.
char* ReadWholeText(EditorLink& link, int32_t* length);

}  // namespace

void EditorLink::Detach() {
  if (heap != nullptr) Os().HeapDestroy(heap);
  *this = EditorLink{};
}

void EditorLink::Attach() {
  *this = EditorLink{};
  busy = 1;
  Window main = FindHostMainWindow();
  if (main == nullptr) return;
  heap = Os().HeapCreate(0, 0, 0);
  if (heap == nullptr) return;
  currentPane = WaitForPane(main);
  if (currentPane == nullptr) {
    Detach();
    return;
  }
  mainWindow = main;

  // The host's executable: its own child window says, else the process behind it.
  const char* exePath = nullptr;
  if (Window exeChild = Os().FindWindowExA(main, nullptr, host::kExeNameClass, nullptr); exeChild != nullptr) {
    currentPane = exeChild;
    const char* text = ReadAllText();
    if (UsablePath(text)) exePath = text;
  }
  if (exePath == nullptr) {
    auto* block = static_cast<char*>(Os().HeapAlloc(heap, win::kHeapZeroMemory, kExePathBlockSize));
    if (block == nullptr) {
      exePath = host::kDefaultExeName;
    } else {
      if (GetWindowProcessExePath(main, block, kExePathBlockSize) == 0) {
        std::memcpy(block, host::kDefaultExeName, sizeof host::kDefaultExeName);
      }
      exePath = block;
    }
  }
  hostExePath = exePath;

  const char* iniPath = nullptr;
  currentPane = Os().FindWindowExA(main, nullptr, host::kIniFilePathClass, nullptr);
  if (currentPane != nullptr) {
    const char* text = ReadAllText();
    if (UsablePath(text) && text[0] != '\0') iniPath = text;
  }
  hostIniPath = iniPath != nullptr ? iniPath : DeriveHostIniPath(heap, hostExePath);

  {
    ModuleVersionInfo version(hostExePath);
    HostVersion = PackHostVersion(version.GetStringField(kVersionFileVersion));
  }

  currentPane = ChooseEditPane(main);
  busy = 0;
}

int32_t EditorLink::GetSelectionState() {
  if (HostVersion < host::kVersionSelectionState) return GetSelectionLength() == 0 ? -1 : 0;
  const intptr_t r = Send(mainWindow, host::kMsgGetSelectionState);
  return r < -1 || r > 1 ? -99999 : static_cast<int32_t>(r);
}

int32_t EditorLink::GetSelectionStart() {
  uint32_t start = 0;
  Send(currentPane, win::kEmGetSel, reinterpret_cast<uintptr_t>(&start), 0);
  return static_cast<int32_t>(start);
}

int32_t EditorLink::GetSelectionLength() {
  uint32_t start = 0;
  uint32_t end = 0;
  Send(currentPane, win::kEmGetSel, reinterpret_cast<uintptr_t>(&start), reinterpret_cast<intptr_t>(&end));
  return static_cast<int32_t>(ClampPosition(int64_t{static_cast<int32_t>(end)} - static_cast<int32_t>(start)));
}

int32_t EditorLink::GetTextLength() {
  const intptr_t r = Send(currentPane, win::kWmGetTextLength);
  // Anything outside the 32-bit positions is no length at all.
  return r < 0 || r > kMaxTextLength ? -1 : static_cast<int32_t>(r);
}

void EditorLink::SetCaret(int32_t position) { SelectRange(currentPane, position, position); }

bool EditorLink::TransferText(bool write, char** text, bool selectionOnly) {
  if (busy != 0 || HostVersion < host::kVersionTransferMapping) return false;
  if (text == nullptr || (write && *text == nullptr)) return false;
  const int64_t length = write ? static_cast<int64_t>(std::strlen(*text))
                               : (selectionOnly ? GetSelectionLength() : GetTextLength());
  if (length < 0 || length > kMaxTextLength) return false;

  char name[4096];
  std::snprintf(name, sizeof name, "%s%u", host::kMappingPrefix, host::MappingHandleValue(mainWindow));
  KernelHandle mapping = Os().CreateFileMappingA(static_cast<uint32_t>(length) + host::kMappingSlack, name);
  if (mapping == nullptr) return false;
  // A section of that name made by someone else may be smaller than asked.
  if (Os().GetLastError() == win::kErrorAlreadyExists) {
    Os().CloseHandle(mapping);
    return false;
  }
  const auto bytes = static_cast<size_t>(length);
  if (write) {
    void* view = Os().MapViewOfFile(mapping, win::kFileMapWrite);
    if (view == nullptr) {
      Os().CloseHandle(mapping);
      return false;
    }
    std::memcpy(view, *text, bytes + 1);
    Os().UnmapViewOfFile(view);
  }
  const intptr_t r = Send(mainWindow, write ? host::kMsgWriteText : host::kMsgReadText, selectionOnly ? 1 : 0,
                          write ? static_cast<intptr_t>(length) : 0);
  if (r == 0 || write) {
    Os().CloseHandle(mapping);
    return r != 0;
  }
  const auto* view = static_cast<const char*>(Os().MapViewOfFile(mapping, win::kFileMapRead));
  if (view == nullptr) {
    Os().CloseHandle(mapping);
    return false;
  }
  // Exactly the bytes expected: a shorter text would be written back over
  // the longer one the pane holds.
  const size_t got = strnlen(view, bytes);
  if (got != bytes) {
    Os().UnmapViewOfFile(const_cast<char*>(view));
    Os().CloseHandle(mapping);
    return false;
  }
  auto* block = static_cast<char*>(Os().HeapAlloc(heap, win::kHeapZeroMemory, got + 1));
  if (block != nullptr) std::memcpy(block, view, got);
  Os().UnmapViewOfFile(const_cast<char*>(view));
  Os().CloseHandle(mapping);
  if (block == nullptr) return false;
  *text = block;
  return true;
}

namespace {

// Edit-control read: pieces of at most 32760 bytes; each piece after the first
// is reached by deleting what was read, and the deletions are undone at the
// end. The block grows with what the pane delivers, not with what it claims.
char* ReadTextByMessages(EditorLink& link, int32_t* length) {
  Window pane = link.currentPane;
  const int32_t selectionStart = link.GetSelectionStart();
  const int32_t selectionLength = link.GetSelectionLength();
  const int64_t total = link.GetTextLength();
  if (total < 0) return nullptr;

  size_t capacity = static_cast<size_t>(std::min<int64_t>(total, kPiece)) + 1;
  auto* block = static_cast<char*>(Os().HeapAlloc(link.heap, win::kHeapZeroMemory, capacity));
  if (block == nullptr) return nullptr;

  bool failed = false;
  int64_t pos = ReadPiece(pane, block, static_cast<int32_t>(capacity - 1));
  if (pos < 0) {
    failed = true;
    pos = 0;
  }
  int64_t piece = pos;
  int64_t held = total;  // what the pane holds now, as it last said
  int deletions = 0;
  while (!failed && pos < total && piece > 0) {
    SelectRange(pane, 0, piece);
    Send(pane, win::kWmClear);
    // A deletion that did not happen must not be undone (that would undo
    // the user's own edit), and reading on would take the same bytes twice.
    const int32_t left = link.GetTextLength();
    if (left == held) {
      failed = true;
      break;
    }
    ++deletions;
    if (left < 0) {
      failed = true;
      break;
    }
    held = left;
    if (pos + piece > total) piece = total - pos;
    if (static_cast<size_t>(pos + piece) + 1 > capacity) {
      const size_t wanted = std::max(capacity * 2, static_cast<size_t>(pos + piece) + 1);
      const size_t grown = std::min(wanted, static_cast<size_t>(total) + 1);
      auto* bigger = static_cast<char*>(Os().HeapReAlloc(link.heap, win::kHeapZeroMemory, block, grown));
      if (bigger == nullptr) {
        failed = true;
        break;
      }
      block = bigger;
      capacity = grown;
    }
    const int32_t got = ReadPiece(pane, block + pos, static_cast<int32_t>(piece));
    if (got < 0) {
      failed = true;
      break;
    }
    pos += got;
    piece = got;
  }
  block[pos] = '\0';
  if (deletions > 0) {
    for (int i = 0; i < deletions; ++i) Send(pane, win::kEmUndo);
    SelectRange(pane, selectionStart, int64_t{selectionStart} + selectionLength);
  }
  // Less than announced, or a text that changed while it was read: writing
  // such a read back over the whole text (or selection) would lose the rest.
  if (!failed && (pos != total || link.GetTextLength() != total)) failed = true;
  if (failed) {
    Os().HeapFree(link.heap, 0, block);
    return nullptr;
  }
  *length = static_cast<int32_t>(pos);
  return block;
}

char* ReadWholeText(EditorLink& link, int32_t* length) {
  char* text = nullptr;
  if (link.TransferText(false, &text, false)) {
    *length = static_cast<int32_t>(std::strlen(text));
    return text;
  }
  return ReadTextByMessages(link, length);
}

}  // namespace

char* EditorLink::ReadAllText() {
  int32_t length = 0;
  return ReadWholeText(*this, &length);
}

char* EditorLink::ReadSelectedText() {
  char* text = nullptr;
  if (TransferText(false, &text, true)) return text;
  const int32_t start = GetSelectionStart();
  const int32_t length = GetSelectionLength();
  int32_t total = 0;
  char* whole = ReadWholeText(*this, &total);
  if (whole == nullptr) return nullptr;
  // The selection must lie inside the text the pane delivered: a selection
  // that does not would have the write-back replace text never read.
  if (start < 0 || length < 0 || int64_t{start} + length > total) return nullptr;
  std::memmove(whole, whole + start, static_cast<size_t>(length));
  whole[length] = '\0';
  auto* shrunk = static_cast<char*>(Os().HeapReAlloc(heap, win::kHeapZeroMemory, whole, static_cast<size_t>(length) + 1));
  return shrunk != nullptr ? shrunk : whole;
}

bool EditorLink::ReplaceAllText(const char* text) {
  if (text == nullptr) return false;
  const auto length = static_cast<int64_t>(std::strlen(text));
  if (length > kMaxTextLength) return false;
  char* writable = const_cast<char*>(text);  // a write transfer only reads it
  if (TransferText(true, &writable, false)) return true;
  SelectRange(currentPane, 0, -1);
  Send(currentPane, win::kEmReplaceSel, 0, reinterpret_cast<intptr_t>(text));
  int64_t inserted = 0;
  return InsertRest(*this, text, length, 0, &inserted);
}

bool EditorLink::ReplaceSelectedText(const char* text) {
  if (text == nullptr) return false;
  const int32_t start = GetSelectionStart();
  const int32_t selected = GetSelectionLength();
  const auto length = static_cast<int64_t>(std::strlen(text));
  if (length > kMaxTextLength) return false;
  char* writable = const_cast<char*>(text);  // a write transfer only reads it
  bool complete = true;
  int64_t inserted = length;
  if (!TransferText(true, &writable, true)) {
    const int32_t before = GetTextLength();
    const int64_t base = int64_t{before} - selected;
    // Without a sound measure the insertion could not be checked: leave the text alone.
    if (before < 0 || selected < 0 || base < 0) return false;
    Send(currentPane, win::kEmReplaceSel, 0, reinterpret_cast<intptr_t>(text));
    complete = InsertRest(*this, text, length, base, &inserted);
  }
  SelectRange(currentPane, start, int64_t{start} + inserted);
  return complete;
}

}  // namespace qv
